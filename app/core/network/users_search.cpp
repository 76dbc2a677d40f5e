#include "core/network/users_search.h"

#include "core/log/guarded.h"
#include "core/state/app_state.h"
#include "platform/event_loop.h"

namespace tornel {

void refreshUserList(AppState& state) {
    skipFailure([&] {
        if (!state.usersRefreshPending) {
            return;
        }
        if (state.NewUI) {
            state.ui.shell->exploreShowUsers();
        } else {
            state.ui.shell->usersWindowShowUsers();
        }
    });
}

bool exploreCheck(AppState& state, bool force) {
    return guarded(state.log, "exploreCheck", false, [&] {
        if (state.ui.shell->exploreViewVisible() && !force) {
            return false;
        }
        const bool due = platform::tickCount() - state.lastUsersRefresh >= state.refreshInterval ||
                         (state.userCount == 0 && state.usersSearched) || !state.usersSearched;
        if (due) {
            state.ui.shell->exploreShowUsers();
        }
        return due;
    });
}

}  // namespace tornel
