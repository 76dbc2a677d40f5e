#include "node_object.h"

#include "fields.h"
#include "node_frame.h"
#include "pending_request.h"
#include "send_pipeline.h"

#include "qellib/settings.h"

#include <algorithm>
#include <utility>
#include <vector>

// Listing a remote folder and asking for a remote file's size and hash: the
// request goes out and the call waits, letting events run, for the answer.
namespace qel {
namespace {

// Whether a remote path climbs up a level; such paths are never sent.
bool climbsUp(const std::string& remotePath) {
    return remotePath.find("..\\") != std::string::npos || remotePath.ends_with("\\..") ||
           remotePath == "..";
}

void sendRequest(const char* method, const std::string& remotePath, const cSettings& body,
                 const std::string& nodeID, const std::string& reqID) {
    clsPacket request;
    request.Method = method;
    request.Resource = remotePath;
    request.Data = body.getXML();
    AddField(request, "Destination", nodeID);
    AddField(request, "ReqID", reqID);
    sendPacket(request);
}

typFileInfo unavailable() {
    return typFileInfo{-1, {}};
}

}  // namespace

StringArray NodeObject::getContents(std::string& strPath, const std::string& nodeID,
                                    bool searchSubDirs) {
    return publicOperation(session_, "getContents", StringArray(), [&](const SessionPtr& own) {
        std::replace(strPath.begin(), strPath.end(), '/', '\\');
        if (climbsUp(strPath)) {
            return StringArray(1);
        }
        const PendingRequest<typContentsReq> pending(own, &Session::pendingContents,
                                                     typContentsReq{StringArray(1), {}, false});
        cSettings body;
        body.SaveSetting("SearchSubDirs", searchSubDirs);
        sendRequest("GETCONTENTS", strPath, body, nodeID, pending.reqID());
        const typContentsReq* answer = pending.waitForAnswer() ? pending.answered() : nullptr;
        return answer != nullptr ? answer->contents : StringArray(1);
    });
}

typFileInfo NodeObject::getFileInfo(std::string& remotePath, const std::string& nodeID,
                                    bool skipHash) {
    return publicOperation(session_, "getFileInfo", unavailable(), [&](const SessionPtr& own) {
        std::replace(remotePath.begin(), remotePath.end(), '/', '\\');
        if (climbsUp(remotePath)) {
            return unavailable();
        }
        const PendingRequest<typFileInfoReq> pending(own, &Session::pendingFileInfo,
                                                     typFileInfoReq{});
        cSettings body;
        body.SaveSetting("skipHash", skipHash);
        sendRequest("GETFILEINFO", remotePath, body, nodeID, pending.reqID());
        const typFileInfoReq* answer = pending.waitForAnswer() ? pending.answered() : nullptr;
        return answer != nullptr ? answer->info : unavailable();
    });
}

}  // namespace qel
