#include "core/sharing/save_shares.h"

#include "core/network/node_bring_up.h"
#include "core/network/session.h"
#include "core/settings/program_settings.h"
#include "core/state/app_state.h"

namespace tornel {

void saveShares(AppState& state, const ShareSet& shares) {
    session(state).stopSharing();
    // A copy: later edits of the view reach the settings only through
    // another save.
    state.sharedFolders = shares;
    shareFolders(state);
    saveSettings(state);
}

}  // namespace tornel
