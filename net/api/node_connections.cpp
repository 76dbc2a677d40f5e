#include "node_object.h"

#include "byte_range.h"
#include "connection.h"
#include "connection_manager.h"
#include "error_codes.h"
#include "fields.h"
#include "identifiers.h"
#include "library_state.h"
#include "lookups.h"
#include "node_frame.h"
#include "node_info.h"
#include "send_pipeline.h"
#include "session_wait.h"

#include "platform/event_loop.h"
#include "platform/runtime_error.h"
#include "platform/scoped_assignment.h"

#include <optional>

// A node's connections, messages, pings and node information.
namespace qel {
namespace {

constexpr int64_t PingPollMs = 1;

// Closes (as the node's own wish, so nothing is reconnected) the node's
// connections that `matches` picks, all of them or only the first. Whether
// one matched.
template <class Matches>
bool closeConnections(const SessionPtr& own, Matches matches, bool firstOnly) {
    bool matched = false;
    for (const std::shared_ptr<clsSocket>& connection : library().connectionTable.snapshot()) {
        if (connection->session.lock() != own || !matches(*connection)) {
            continue;
        }
        connection->Maintain = false;
        connection->closeConnection(true);
        matched = true;
        if (firstOnly) {
            break;
        }
    }
    return matched;
}

// The round trip of the ping `reqID` to the node, once its PONG has come.
std::optional<int64_t> pingAnswer(Session& own, const std::string& nodeID,
                                  const std::string& reqID) {
    const typNodeEntry* node = findPingEntry(own, nodeID);
    if (node == nullptr || node->pingReqID != reqID || node->pingResult < 0) {
        return std::nullopt;
    }
    return node->pingResult;
}

}  // namespace

std::string NodeObject::Connect(const std::string& strNode, bool isNodeID, bool bMaintain,
                                bool async) {
    return publicOperation(session_, async ? "connectMaintainAsync" : "Connect", std::string(),
                           [&](const SessionPtr&) {
                               return connectTo(strNode, isNodeID, bMaintain, nullptr, async, true);
                           });
}

bool NodeObject::disconnectFrom(const std::string& strNode, bool isNodeID) {
    return publicOperation(session_, "disconnectFrom", false, [&](const SessionPtr& own) {
        const std::string address = isNodeID ? getNodeAddress(strNode) : strNode;
        if (!backInSession() || address.empty()) {
            return false;
        }
        const bool matched = closeConnections(
            own,
            [&address](const clsSocket& c) {
                return c.Address == address || c.originalAddress == address;
            },
            false);
        backInSession();
        return matched;
    });
}

bool NodeObject::disconnectByID(const std::string& connectionID) {
    return publicOperation(session_, "disconnectByID", false, [&](const SessionPtr& own) {
        const bool matched = closeConnections(
            own, [&connectionID](const clsSocket& c) { return c.connectionID == connectionID; },
            true);
        backInSession();
        return matched;
    });
}

bool NodeObject::disconnectAll() {
    return publicOperation(session_, "disconnectAll", false, [this](const SessionPtr& own) {
        // The node closes everything without reconnecting any of it.
        const platform::ScopedAssignment disconnecting(own->disconnecting, true);
        stopListening();
        if (!backInSession()) {
            return false;
        }
        closeConnections(
            own, [](const clsSocket&) { return true; }, false);
        backInSession();
        return true;
    });
}

void NodeObject::sendMessage(const std::string& strMessage, const std::string& nodeID,
                             const std::string& strType) {
    publicOperation(session_, "sendMessage", [&](const SessionPtr&) {
        clsPacket msg;
        msg.Method = "MSG";
        SetField(msg, "Type", strType);
        SetField(msg, "Destination", nodeID);
        msg.Data = strMessage;
        sendPacket(msg);
    });
}

int64_t NodeObject::Ping(const std::string& nodeID, int64_t Timeout) {
    return publicOperation(session_, "Ping", int64_t{-1}, [&](const SessionPtr& own) -> int64_t {
        typNodeEntry* node = findPingEntry(*own, nodeID);
        if (node == nullptr) {
            throw platform::RuntimeError(code::NotInitialised, "Cannot ping unresolved node");
        }
        // The call keeps its own request ID: only the PONG to it counts, even
        // if the node's entry is described anew or cleared meanwhile.
        const std::string reqID = newID();
        const int64_t sent = platform::tickCount();
        node->pingReqID = reqID;
        node->pingSent = sent;
        node->pingResult = -1;
        clsPacket ping;
        ping.Method = "PING";
        AddField(ping, "Destination", nodeID);
        AddField(ping, "ReqID", reqID);
        sendPacket(ping);
        std::optional<int64_t> roundTrip;
        waitInSession(session_, sent + Timeout - platform::tickCount(), PingPollMs, [&] {
            roundTrip = pingAnswer(*own, nodeID, reqID);
            return roundTrip.has_value();
        });
        return roundTrip.value_or(-1);
    });
}

std::vector<typNodeInfo> NodeObject::getNodeInfo(const std::string& strDestination,
                                                 bool bUseCached) {
    return publicOperation(
        session_, "getNodeInfo", std::vector<typNodeInfo>(),
        [&](const SessionPtr&) { return qel::getNodeInfo(strDestination, bUseCached, false); });
}

typNodeInfo NodeObject::knownNodeInfo(const std::string& nodeID) {
    return publicOperation(session_, "knownNodeInfo", typNodeInfo(),
                           [&](const SessionPtr&) { return qel::knownNodeInfo(nodeID); });
}

void NodeObject::startNodeInfoAsync() {
    publicOperation(session_, "getNodeInfo", [](const SessionPtr& own) {
        own->nodeInfoAsync = true;
        qel::getNodeInfo("BROADCAST", false, true);
    });
}

void NodeObject::stopNodeInfoAsync() {
    publicOperation(session_, "getNodeInfo",
                    [](const SessionPtr& own) { own->nodeInfoAsync = false; });
}

std::shared_ptr<cXRange> NodeObject::makeRange(int64_t lngStart, int64_t lngEnd, int64_t lngLen) {
    return publicOperation(
        session_, "makeRange", std::shared_ptr<cXRange>(),
        [&](const SessionPtr&) { return qel::makeRange(lngStart, lngEnd, lngLen); });
}

}  // namespace qel
