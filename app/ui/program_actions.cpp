#include "ui/program_actions.h"

#include "core/network/session.h"
#include "core/network/users_search.h"
#include "core/program/shutdown.h"
#include "core/push/file_push.h"

namespace tornel::ui {

bool ProgramActions::exploreCheck(bool force) {
    return tornel::exploreCheck(state_, force);
}

void ProgramActions::openChat(const std::string& nodeID) {
    const std::vector<qel::typNodeInfo> found = session(state_).getNodeInfo(nodeID, true);
    if (!found.empty() && !found.front().ID.empty()) {
        state_.ui.shell->newConv(found.front());
    }
}

void ProgramActions::shutDown(bool confirm) {
    tornel::shutDown(state_, confirm);
}

void ProgramActions::pushFile(const qel::typNodeInfo& node) {
    tornel::pushFile(state_, node);
}

}  // namespace tornel::ui
