#pragma once

#include <string>

namespace tornel {

struct AppState;

// The name of the node `nodeID` as the program last heard it: the listed
// users, else what the node's tables know of it, else "Unknown User". Never
// waits for the network, so lists that refresh every second never block the
// window.
std::string knownUserName(const AppState& state, const std::string& nodeID);

}  // namespace tornel
