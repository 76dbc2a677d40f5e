#include "core/network/peer_names.h"

#include "core/log/guarded.h"
#include "core/state/app_state.h"
#include "qellib/qel.h"

namespace tornel {

std::string knownUserName(const AppState& state, const std::string& nodeID) {
    if (state.users.exists(nodeID)) {
        const std::shared_ptr<cUser>& user = state.users.item(nodeID);
        if (user) {
            return user->Name;
        }
    }
    std::string name = "Unknown User";
    skipFailure([&] {
        if (state.qelSession) {
            const qel::typNodeInfo known = state.qelSession->knownNodeInfo(nodeID);
            if (!known.ID.empty()) {
                name = known.Name;
            }
        }
    });
    return name;
}

}  // namespace tornel
