#pragma once

namespace tornel {

struct AppState;

// Connects to every configured server and keeps each connection up; then
// performs a users search that was asked for meanwhile.
void connectTo(AppState& state);
// Connects to every node that discovery finds on the local network within
// half of Timeout.
void connectLocal(AppState& state);

}  // namespace tornel
