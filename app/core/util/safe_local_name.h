#pragma once

#include <string>
#include <string_view>

namespace tornel {

// A name from a peer (a pushed file, a remote entry) made safe to use as one
// local file name: its last component over "/" and "\", without NUL or other
// control characters; `fallback` when nothing usable is left ("", "." or "..").
std::string safeLocalName(std::string_view remoteName, std::string_view fallback = "Unnamed");

}  // namespace tornel
