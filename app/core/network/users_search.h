#pragma once

namespace tornel {

struct AppState;

// Performs a users search that was asked for while the node was not ready:
// through the Explore view in single-window mode, else the users window.
void refreshUserList(AppState& state);

// The throttled users search: while the Explore view is hidden (or with
// `force`), searches when refreshInterval has passed since the last search,
// when the last search found nobody, or when none has run yet. Returns
// whether it searched.
bool exploreCheck(AppState& state, bool force);

}  // namespace tornel
