#pragma once

namespace tornel {

struct AppState;

// Makes the program a node: the controller and its session, the remote
// procedures (bound before the node starts), the node's identity and
// advanced settings, listening on Port and discovery on Port + 1. A failing
// step is logged under "initNetwork" and the next one runs; so is a port
// that cannot be opened, and the program goes on without it.
void initNetwork(AppState& state);
// Creates the controller's four remote-procedure objects and binds their names.
void rpcSetup(AppState& state);
// Hands the settings the library takes to the session: node ID, Timeout,
// "-seeself", file packet, compression, file routing.
void advNetwork(AppState& state);
// Shares every folder of sharedFolders.
void shareFolders(AppState& state);

}  // namespace tornel
