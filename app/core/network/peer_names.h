#pragma once

#include <string>

namespace tornel {

struct AppState;

// The name of the node `nodeID` as the program last heard it (the listed
// users), or "Unknown User": never waits for the network, so lists that
// refresh every second never block the window.
std::string knownUserName(const AppState& state, const std::string& nodeID);

}  // namespace tornel
