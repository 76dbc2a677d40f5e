#include "lookups.h"

#include "connection.h"
#include "library_state.h"

#include "platform/ascii.h"

#include <algorithm>
#include <vector>

namespace qel {
namespace {

int32_t findNode(const std::vector<typNodeEntry>& table, std::string_view nodeID) {
    if (nodeID.empty()) {
        return -1;
    }
    const auto found = std::find_if(table.begin(), table.end(),
                                    [nodeID](const typNodeEntry& e) { return e.ID == nodeID; });
    return found != table.end() ? static_cast<int32_t>(found - table.begin()) : -1;
}

template <class Request>
int32_t findRequest(const std::vector<Request>& table, std::string_view reqID) {
    for (size_t index = 1; index < table.size(); ++index) {
        if (table[index].ReqID == reqID) {
            return static_cast<int32_t>(index);
        }
    }
    return -1;
}

}  // namespace

int32_t findNodeInfo(const Session& session, std::string_view nodeID) {
    return findNode(session.nodeTable, nodeID);
}

int32_t findCachedNodeInfo(std::string_view nodeID) {
    return findNode(library().nodeCache, nodeID);
}

typNodeEntry* findPingEntry(Session& session, std::string_view nodeID) {
    if (const int32_t index = findNodeInfo(session, nodeID); index >= 0) {
        return &session.nodeTable[static_cast<size_t>(index)];
    }
    if (const int32_t index = findCachedNodeInfo(nodeID); index >= 0) {
        return &library().nodeCache[static_cast<size_t>(index)];
    }
    return nullptr;
}

std::string getNodeKey(const Session& session, std::string_view nodeID) {
    if (platform::asciiEqualsIgnoreCase(nodeID, "BROADCAST")) {
        return {};
    }
    if (const int32_t index = findNodeInfo(session, nodeID); index >= 0) {
        return session.nodeTable[static_cast<size_t>(index)].encryptionKey;
    }
    if (const int32_t index = findCachedNodeInfo(nodeID); index >= 0) {
        return library().nodeCache[static_cast<size_t>(index)].encryptionKey;
    }
    return {};
}

std::shared_ptr<clsSocket> getDirectSocket(const Session& session, std::string_view nodeID) {
    if (nodeID.empty() || platform::asciiEqualsIgnoreCase(nodeID, "BROADCAST")) {
        return nullptr;
    }
    for (const auto& [key, connection] : library().connectionTable) {
        if (connection->remoteNodeID == nodeID &&
            connection->state() == platform::SocketState::Connected &&
            connection->session.lock().get() == &session) {
            return connection;
        }
    }
    return nullptr;
}

int32_t findContentsRequest(const Session& session, std::string_view reqID) {
    return findRequest(session.pendingContents, reqID);
}

int32_t findSearchRequest(const Session& session, std::string_view reqID) {
    return findRequest(session.pendingSearches, reqID);
}

int32_t findFileInfoRequest(const Session& session, std::string_view reqID) {
    return findRequest(session.pendingFileInfo, reqID);
}

bool resolveSharePath(const Session& session, std::string& path, int32_t& shareIndex) {
    for (size_t index = 0; index < session.shares.size(); ++index) {
        const std::string& name = session.shares[index].shareName;
        // The blank record of an empty share table matches nothing.
        if (name.empty()) {
            continue;
        }
        const std::string prefix = "\\" + name + "\\";
        if (path.starts_with(prefix)) {
            path.erase(0, prefix.size() - 1);
            shareIndex = static_cast<int32_t>(index);
            return true;
        }
    }
    return false;
}

}  // namespace qel
