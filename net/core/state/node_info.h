#pragma once

#include "packet.h"
#include "session_records.h"

#include "qellib/types.h"

#include <memory>
#include <string>
#include <vector>

// What nodes tell each other about themselves (INFO, asked for by WHOIS):
// name, role, descriptor, the key to encrypt packets for them with, where they
// listen, whether they share files and who is logged in. Each node keeps the
// descriptions it hears in its node table (or hands them to the application
// as nodeInfo events in the asynchronous mode) and in the node cache of the
// process. Each operation reports its own errors with an empty source.
namespace qel {

class clsSocket;

// Sends this node's description to `strDest` (a node ID or "BROADCAST"), on
// `sendVia` when given.
void sendInfo(const std::string& strDest, const std::shared_ptr<clsSocket>& sendVia);

// A node asked who we are: our description goes back to it.
void handleWhois(const std::string& strSource);

// Takes in the description an INFO packet from `strSource` carries. Over a
// direct connection (Hops 0) the connection learns which node is at its other
// end, and the node's address is the connection's peer IP with the port it
// advertises; an accepted connection also takes that address. A description
// whose "Role" is not a number or whose "Sharing-Files" is not a Boolean is
// reported and nothing of it is kept. A node described again keeps the state
// of a ping to it. The node table keeps at most limits::MaxNodeTableEntries
// nodes; the node cache its highest index of `nodeCacheMax`, the oldest
// giving way.
void handleInfo(const clsPacket& pkt, const std::string& strSource,
                const std::shared_ptr<clsSocket>& sock);

// What is known of `strDest`, one element (empty when no answer came):
// straight from the node table or the node cache with `bUseCached`, else by
// asking the node (WHOIS) and waiting up to the session's `Timeout` for its
// answer. For "BROADCAST": the node table is cleared, every node asked, and
// after `Timeout` every node that answered comes back in the order of the
// answers (one empty element when none did). With `async`, answers raise
// nodeInfo instead of entering the table while the call asks; a BROADCAST
// query then returns at once and leaves the asynchronous mode on.
std::vector<typNodeInfo> getNodeInfo(const std::string& strDest, bool bUseCached, bool async);

// What the node table, then the node cache, know of `nodeID`, at once and
// without asking anybody: empty when nothing is known.
typNodeInfo knownNodeInfo(const std::string& nodeID);

// The address the node listens at, from the tables or by asking it; "" when
// unknown.
std::string getNodeAddress(const std::string& nodeID);

// The public view of a known node.
typNodeInfo copyNodeInfo(const typNodeEntry& entry);

}  // namespace qel
