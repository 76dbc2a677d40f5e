#pragma once

#include "session.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Lookups in a session's tables and in the process-wide node cache. IDs match
// exactly.
namespace qel {

class clsSocket;

// The index of the node in the session's node table (from 0), or -1.
int32_t findNodeInfo(const Session& session, std::string_view nodeID);
// The index of the node in the node cache (from 0), or -1.
int32_t findCachedNodeInfo(std::string_view nodeID);
// The entry that keeps the state of a ping to the node: its entry in the
// session's node table, else in the node cache (a node learned while node
// information arrives as events); null when neither knows it.
typNodeEntry* findPingEntry(Session& session, std::string_view nodeID);
// The key we encrypt packets for the node with, from the node table, else
// the node cache; "" for "BROADCAST" (any case) and unknown nodes.
std::string getNodeKey(const Session& session, std::string_view nodeID);

// The first of the session's connections (in connection table order) that is
// connected to the node: its peer announced that ID over it. Null for
// "BROADCAST" (any case) and an empty ID.
std::shared_ptr<clsSocket> getDirectSocket(const Session& session, std::string_view nodeID);

// The index (from 1) of the pending request with that ID, or -1.
int32_t findContentsRequest(const Session& session, std::string_view reqID);
int32_t findSearchRequest(const Session& session, std::string_view reqID);
int32_t findFileInfoRequest(const Session& session, std::string_view reqID);

// For a wire path "\" + share name + "\" + rest, the first share (from 0)
// whose name matches exactly: `path` becomes "\" + rest and `shareIndex` the
// share's. Without a match both stay as they are and the result is false.
bool resolveSharePath(const Session& session, std::string& path, int32_t& shareIndex);

}  // namespace qel
