#include "core/procedures/procedure_routing.h"

#include "core/chat/typing_notice.h"
#include "core/network/controller.h"
#include "core/procedures/auth_given.h"
#include "core/push/file_push.h"
#include "core/push/push_offer.h"

namespace tornel {

void routeProgramProcedures(cMain& controller, AppState& state) {
    controller.PushEvents->onCall = [&state](std::string&, qel::Variant& Params, std::string& reqID,
                                             std::string& nodeID, bool&) {
        Push_RemoteProcCall(state, Params, reqID, nodeID);
    };
    controller.PushEvents->onReturn = [&state](std::string&, qel::Variant& Params,
                                               std::string& reqID, std::string& nodeID) {
        Push_RemoteProcReturn(state, Params, reqID, nodeID);
    };
    controller.userTypingEvents->onCall = [&state](std::string&, qel::Variant& Params, std::string&,
                                                   std::string& nodeID, bool&) {
        userTyping_RemoteProcCall(state, Params, nodeID);
    };
    controller.authGivenEvents->onCall = [&state](std::string&, qel::Variant& Params, std::string&,
                                                  std::string&, bool&) {
        authGiven_RemoteProcCall(state, Params);
    };
}

}  // namespace tornel
