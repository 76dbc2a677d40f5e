#include "core/network/peer_names.h"

#include "core/state/app_state.h"

namespace tornel {

std::string knownUserName(const AppState& state, const std::string& nodeID) {
    if (!state.users.exists(nodeID)) {
        return "Unknown User";
    }
    const std::shared_ptr<cUser>& user = state.users.item(nodeID);
    return user ? user->Name : "Unknown User";
}

}  // namespace tornel
