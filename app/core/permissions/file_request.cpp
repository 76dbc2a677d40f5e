#include "core/permissions/file_request.h"

#include "core/log/guarded.h"
#include "core/network/session.h"
#include "core/permissions/access_grants.h"
#include "core/permissions/ask_permission.h"
#include "core/state/app_state.h"

namespace tornel {
namespace {

std::string requesterOf(const qel::Variant& Metadata) {
    const std::string* text = std::get_if<std::string>(&Metadata);
    return text ? *text : std::string();
}

}  // namespace

void QEL_FileRequest(AppState& state, const std::string& Resource, const std::string& fullPath,
                     const std::string& nodeID, const std::string& reqID,
                     const std::shared_ptr<qel::cXRange>& Range, const qel::Variant& Metadata,
                     bool& TakeNoAction) {
    guarded(state.log, "QEL_FileRequest", [&] {
        const std::string requester = requesterOf(Metadata);
        if (hasLiveGrant(state, requester, nodeID)) {
            return;
        }
        const PermissionQuestions::Request request{requester, nodeID, reqID,
                                                   Resource,  fullPath, Range,
                                                   session(state).fileRequestConnection()};
        // From here the program answers the request itself, now or later.
        TakeNoAction = true;
        if (!askPermission(state, request)) {
            answerFileRequest(state, request, false);
        }
    });
}

}  // namespace tornel
