#pragma once

#include "identifiers.h"
#include "session.h"
#include "session_wait.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qel {

// One call's element in a request table of its session (pendingContents,
// pendingFileInfo, pendingSearches), with an ID of its own. The element is
// looked up anew on every look, since nested calls grow the table
// meanwhile, and dropped when the call returns, so a late answer finds
// nothing.
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
        const auto found = findIn(requests);
        if (found != requests.end()) {
            requests.erase(found);
        }
    }
    PendingRequest(const PendingRequest&) = delete;
    PendingRequest& operator=(const PendingRequest&) = delete;

    const std::string& reqID() const { return reqID_; }

    // The element, answered or not; null when it has gone.
    const Request* request() const {
        const std::vector<Request>& requests = (*own_).*table_;
        const auto found = findIn(requests);
        return found != requests.end() ? &*found : nullptr;
    }

    // The element once its answer has come, else null.
    const Request* answered() const {
        const Request* element = request();
        return element != nullptr && element->done ? element : nullptr;
    }

    // Lets events run until the answer has come or the session's Timeout has
    // passed. False when the session has gone meanwhile.
    bool waitForAnswer() const {
        return waitInSession(own_, own_->Timeout, AnswerPollMs,
                             [this] { return answered() != nullptr; });
    }

  private:
    static constexpr int64_t AnswerPollMs = 10;

    template <class Requests>
    auto findIn(Requests& requests) const {
        return std::find_if(requests.begin() + 1, requests.end(),
                            [this](const Request& r) { return r.ReqID == reqID_; });
    }

    SessionPtr own_;
    Table table_;
    std::string reqID_;
};

}  // namespace qel
