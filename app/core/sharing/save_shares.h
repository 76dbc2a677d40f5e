#pragma once

#include "core/sharing/share_paths.h"

namespace tornel {

struct AppState;

// The Sharing view's save: the node stops sharing, `shares` become the
// shared folders, each is shared again, and "Settings.xml" is written at
// once. Raises error 91 before anything changes while the node is not up.
void saveShares(AppState& state, const ShareSet& shares);

}  // namespace tornel
