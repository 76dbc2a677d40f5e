#pragma once

namespace tornel {

struct AppState;

// Connects to every configured server and keeps each connection up; then
// performs a users search that was asked for meanwhile.
void connectTo(AppState& state);
// Connects to the nodes that discovery finds on the local network within
// half of Timeout: a few at a time (see DiscoveryConnections), none of them
// kept up, since any sender on the network can name addresses.
void connectLocal(AppState& state);

}  // namespace tornel
