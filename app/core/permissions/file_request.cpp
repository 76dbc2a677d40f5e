#include "core/permissions/file_request.h"

#include "core/log/guarded.h"
#include "core/network/controller.h"
#include "core/network/session.h"
#include "core/permissions/access_grants.h"
#include "core/permissions/ask_permission.h"
#include "core/state/app_state.h"
#include "qellib/rpc.h"

namespace tornel {
namespace {

std::string requesterOf(const qel::Variant& Metadata) {
    const std::string* text = std::get_if<std::string>(&Metadata);
    return text ? *text : std::string();
}

// Tells the requesting node whether its request `reqID` was granted;
// element 0 stays empty, so the receiver reads elements 1 and 2.
void tellRequester(cMain& controller, const std::string& nodeID, const std::string& reqID,
                   bool granted) {
    if (!controller.authGiven) {
        throw platform::RuntimeError(platform::rt::ObjectNotSet);
    }
    controller.authGiven->callRemoteProc(nodeID, "AuthGiven",
                                         qel::StringArray{"", granted ? "True" : "False", reqID});
}

}  // namespace

void QEL_FileRequest(AppState& state, cMain& controller, const std::string& fullPath,
                     const std::string& nodeID, const std::string& reqID,
                     const qel::Variant& Metadata, bool& TakeNoAction) {
    guarded(state.log, "QEL_FileRequest", [&] {
        const std::string requester = requesterOf(Metadata);
        if (hasLiveGrant(state, requester, nodeID)) {
            return;
        }
        const bool granted = askPermission(state, requester, nodeID, fullPath);
        // A refusal holds, and is answered, even when telling the requester fails.
        TakeNoAction = !granted;
        guarded(state.log, "QEL_FileRequest",
                [&] { tellRequester(controller, nodeID, reqID, granted); });
        if (!granted) {
            session(state).sendFile(nodeID, reqID, std::string(), qel::FS_Canceled);
        }
    });
}

}  // namespace tornel
