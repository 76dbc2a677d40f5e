#pragma once

#include "pending_packet.h"
#include "session.h"

#include <memory>
#include <string>
#include <string_view>

// Packets awaiting confirmation, in the process-wide pending table: one in
// flight per destination of each node, resent after the node's confirmation
// time-out and given up after its retries. Each node sees only its own
// packets. Each operation reports its own errors with its own name as the
// source, and its caller goes on.
namespace qel {

// Whether the confirmable packet may go now: no other packet of its node to
// its destination is pending. Always for "BROADCAST"; false on failure.
bool canSend(const clsPendingPkt& packet);

// The pending packet under that ID, or null.
std::shared_ptr<clsPendingPkt> getPending(std::string_view strID);

// The current session's packet `strID` is confirmed (or given up): it leaves
// the pending table, and the next packet waiting for its destination starts.
void removePending(std::string_view strID);

// Confirms packet `strID` to node `strDest` (a CONFIRM, never itself confirmed).
void confirmPacket(const std::string& strID, const std::string& strDest);

// For each node in confirmation mode, resends its packets whose confirmation
// time-out has passed and gives up those sent `confirmRetry` + 1 times.
void confirmationCheck();

// Forgets every pending packet of a node that shuts down.
void dropPendingPackets(const Session& session);

}  // namespace qel
