#pragma once

#include <string>

namespace tornel {

// The longest chat line, in characters (UTF-16 units, as a line edit counts
// them): what the chat windows' input line takes, so a peer's line never
// holds more than the user could have typed.
inline constexpr int kMaxChatLineLength = 32767;

// `line` cut to kMaxChatLineLength characters, never inside a character.
std::string boundedChatLine(std::string line);

}  // namespace tornel
