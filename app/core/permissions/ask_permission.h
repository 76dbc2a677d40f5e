#pragma once

#include <string>

namespace tornel {

struct AppState;

// Asks the user whether `requester` (the node `nodeID`) may download the
// local file `fullPath`, with a confirmation prompt of its own, and waits,
// letting events run, until it is answered. Other requests are handled
// meanwhile and their waits nest inside this one. Refused (false) without
// a question when too many waits are open already; refused as well when the
// program is closing, the prompt is gone or it cannot be shown. A repeated
// request waits for the answer of the prompt already open for it.
bool askPermission(AppState& state, const std::string& requester, const std::string& nodeID,
                   const std::string& fullPath);

}  // namespace tornel
