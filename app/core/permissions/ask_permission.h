#pragma once

#include <string>

namespace tornel {

struct AppState;

// Asks the user whether `requester` (the node `nodeID`) may download the
// local file `fullPath`, with a confirmation prompt, and waits, letting
// events run, until it is answered. Other requests are handled meanwhile and
// their waits nest inside this one. A node with a question open already
// joins it and takes its answer; a grant made meanwhile that admits the
// request answers its prompt as granted. Refused (false) without a question
// when too many questions, or too many requests of the node, are waiting;
// refused as well when the program is closing, the prompt is gone or it
// cannot be shown.
bool askPermission(AppState& state, const std::string& requester, const std::string& nodeID,
                   const std::string& fullPath);

}  // namespace tornel
