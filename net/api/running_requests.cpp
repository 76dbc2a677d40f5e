#include "running_requests.h"

#include "error_log.h"
#include "route_table.h"

#include "platform/event_loop.h"

#include <algorithm>
#include <utility>

namespace qel {
namespace {

using transfer_limits::MaxOwnRequests;
using transfer_limits::MaxPushes;
using transfer_limits::MaxPushesPerPeer;

size_t countRequests(const Session& own, bool pushed, const std::string* nodeID = nullptr) {
    return static_cast<size_t>(std::count_if(
        own.runningRequests.begin(), own.runningRequests.end(), [&](const auto& entry) {
            return entry.second.pushed == pushed &&
                   (nodeID == nullptr || entry.second.nodeID == *nodeID);
        }));
}

// Makes room for one more of this node's own requests: the oldest gives way.
void dropOldestOwnRequest(Session& own) {
    auto oldest = own.runningRequests.end();
    for (auto entry = own.runningRequests.begin(); entry != own.runningRequests.end(); ++entry) {
        if (!entry->second.pushed && (oldest == own.runningRequests.end() ||
                                      entry->second.sequence < oldest->second.sequence)) {
            oldest = entry;
        }
    }
    if (oldest != own.runningRequests.end()) {
        own.runningRequests.erase(oldest);
    }
}

typRunningRequest& add(Session& own, const std::string& reqID, const std::string& nodeID,
                       const std::shared_ptr<clsSocket>& via, bool pushed) {
    typRunningRequest& request = own.runningRequests[reqID];
    request = typRunningRequest{nodeID, via, 0, pushed, ++own.runningRequestsMade};
    return request;
}

bool endsTransfer(int32_t fileStatus) {
    return fileStatus == FS_Complete || fileStatus == FS_Canceled;
}

void startPush(Session& own, const std::string& reqID, const std::string& source,
               const std::shared_ptr<clsSocket>& connection) {
    if (countRequests(own, true, &source) >= MaxPushesPerPeer ||
        countRequests(own, true) >= MaxPushes) {
        debugPrint("Push " + reqID + " from " + source +
                   " not followed: too many pushes under way");
        return;
    }
    add(own, reqID, source, connection, true);
}

}  // namespace

void noteRequestMade(Session& own, const std::string& reqID, const std::string& nodeID,
                     const std::shared_ptr<clsSocket>& via) {
    if (reqID.empty()) {
        return;
    }
    if (!own.runningRequests.contains(reqID) && countRequests(own, false) >= MaxOwnRequests) {
        dropOldestOwnRequest(own);
    }
    add(own, reqID, nodeID, via, false);
}

void noteSenderHeard(Session& own, const std::string& reqID, const std::string& source,
                     const std::shared_ptr<clsSocket>& connection, int32_t fileStatus) {
    const auto found = own.runningRequests.find(reqID);
    if (found == own.runningRequests.end()) {
        if (fileStatus == FS_Transferring && !reqID.empty()) {
            startPush(own, reqID, source, connection);
        }
        return;
    }
    typRunningRequest& request = found->second;
    if (request.nodeID != source) {
        return;  // only the transfer's own sender speaks for it
    }
    if (endsTransfer(fileStatus)) {
        own.runningRequests.erase(found);
        return;
    }
    request.via = connection;
    request.interruptedAt = 0;
}

void forgetRequest(Session& own, const std::string& reqID, const std::string& nodeID) {
    const auto found = own.runningRequests.find(reqID);
    if (found != own.runningRequests.end() && (nodeID.empty() || found->second.nodeID == nodeID)) {
        own.runningRequests.erase(found);
    }
}

bool requestsLostConnection(Session& own, const std::shared_ptr<clsSocket>& connection) {
    const int64_t now = platform::tickCount();
    bool anyLost = false;
    for (auto& [reqID, request] : own.runningRequests) {
        if (request.interruptedAt != 0) {
            continue;
        }
        const std::shared_ptr<clsSocket> via = request.via.lock();
        // A transfer that has heard nothing yet rode whatever way its GET
        // took: it is lost only when no way to its sender is left at all.
        const bool lost =
            via ? via == connection : !own.connected && !findRoute(own, request.nodeID);
        if (lost) {
            request.interruptedAt = now;
            anyLost = true;
        }
    }
    return anyLost;
}

std::vector<std::string> takeRequestsGivenUp(Session& own, int64_t nowMs) {
    const int64_t grace = transfer_limits::SenderGraceTimeouts * std::max<int64_t>(own.Timeout, 1);
    std::vector<std::pair<uint64_t, std::string>> givenUp;
    for (auto entry = own.runningRequests.begin(); entry != own.runningRequests.end();) {
        const typRunningRequest& request = entry->second;
        if (request.interruptedAt != 0 && nowMs - request.interruptedAt >= grace) {
            givenUp.emplace_back(request.sequence, entry->first);
            entry = own.runningRequests.erase(entry);
        } else {
            ++entry;
        }
    }
    std::sort(givenUp.begin(), givenUp.end());
    std::vector<std::string> reqIDs;
    reqIDs.reserve(givenUp.size());
    for (auto& [sequence, reqID] : givenUp) {
        reqIDs.push_back(std::move(reqID));
    }
    return reqIDs;
}

}  // namespace qel
