#include "ui/program_actions.h"

#include "core/network/session.h"
#include "core/network/users_search.h"
#include "core/program/shutdown.h"

namespace tornel::ui {

bool ProgramActions::exploreCheck(bool force) {
    return tornel::exploreCheck(state_, force);
}

void ProgramActions::openChat(const std::string& nodeID) {
    // The node is looked up (a WHOIS when it is not known yet); the chat
    // window it opens joins with the chat windows.
    session(state_).getNodeInfo(nodeID, true);
}

void ProgramActions::shutDown(bool confirm) {
    tornel::shutDown(state_, confirm);
}

void ProgramActions::openSettings() {
    // The settings dialog joins the settings window later.
}

void ProgramActions::pushFile(const qel::typNodeInfo& /*node*/) {
    // The file offer joins later.
}

}  // namespace tornel::ui
