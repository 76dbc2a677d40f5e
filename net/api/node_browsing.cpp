#include "node_object.h"

#include "fields.h"
#include "identifiers.h"
#include "node_frame.h"
#include "send_pipeline.h"
#include "session_wait.h"

#include "qellib/settings.h"

#include <algorithm>
#include <utility>
#include <vector>

// Listing a remote folder and asking for a remote file's size and hash: the
// request goes out and the call waits, letting events run, for the answer.
namespace qel {
namespace {

constexpr int64_t AnswerPollMs = 10;

// One call's element in a request table of its session, with an ID of its
// own. The element is looked up anew on every look, since nested calls grow
// the table meanwhile, and dropped when the call returns, so a late answer
// finds nothing.
template <class Request>
class PendingRequest {
  public:
    using Table = std::vector<Request> Session::*;

    PendingRequest(SessionPtr own, Table table, Request fresh)
        : own_(std::move(own)), table_(table), reqID_(newID()) {
        fresh.ReqID = reqID_;
        ((*own_).*table_).push_back(std::move(fresh));
    }
    ~PendingRequest() {
        std::vector<Request>& requests = (*own_).*table_;
        const auto found = std::find_if(requests.begin() + 1, requests.end(),
                                        [this](const Request& r) { return r.ReqID == reqID_; });
        if (found != requests.end()) {
            requests.erase(found);
        }
    }
    PendingRequest(const PendingRequest&) = delete;
    PendingRequest& operator=(const PendingRequest&) = delete;

    const std::string& reqID() const { return reqID_; }

    // The element once its answer has come, else null.
    const Request* answered() const {
        const std::vector<Request>& requests = (*own_).*table_;
        const auto found = std::find_if(requests.begin() + 1, requests.end(),
                                        [this](const Request& r) { return r.ReqID == reqID_; });
        return found != requests.end() && found->done ? &*found : nullptr;
    }

    // Lets events run until the answer has come or the session's Timeout has
    // passed; the answer, or null.
    const Request* waitForAnswer() const {
        const bool inSession = waitInSession(own_, own_->Timeout, AnswerPollMs,
                                             [this] { return answered() != nullptr; });
        return inSession ? answered() : nullptr;
    }

  private:
    SessionPtr own_;
    Table table_;
    std::string reqID_;
};

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
        const typContentsReq* answer = pending.waitForAnswer();
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
        const typFileInfoReq* answer = pending.waitForAnswer();
        return answer != nullptr ? answer->info : unavailable();
    });
}

}  // namespace qel
