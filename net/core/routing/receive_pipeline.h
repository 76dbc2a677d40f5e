#pragma once

#include "packet.h"

#include <memory>

// How every packet that arrives on a connection is taken in: counted, its
// route learned, dropped when seen before, confirmed when asked, decoded and
// handled when it is for this node, and forwarded when it is not for this
// node alone.
namespace qel {

class clsSocket;

// Takes in one complete packet that arrived on `sock`, in the connection's own
// session (made current for the call, the caller's restored afterwards). A
// packet without an "ID" is counted and dropped; one whose "ID" is longer
// than limits::MaxPacketIdBytes is dropped too, and counted among the
// dropped, so no peer makes us remember huge IDs. A body that does not inflate
// is reported and the packet neither handled nor forwarded. A duplicate asking
// this node alone for confirmation is confirmed again (its first CONFIRM may
// have been lost) but not handled. A body is decoded only for a method that
// has a handler. Nothing escapes: failures are reported with
// an empty source.
void processPacket(clsPacket& pkt, const std::shared_ptr<clsSocket>& sock);

// Undoes the body transforms of a packet that arrived at the current node,
// for a handler that decodes its own body (BodyDecoding::ByHandler): inflate,
// then the XOR with the network password or this node's own key. False when
// the body does not inflate within its method's bound (reported).
bool decodeReceivedBody(clsPacket& pkt);

// Sends a copy of a received packet on to every connection of the node but
// `sock`, with "TTL" one less and "Hops" (when present) one more. A packet
// whose TTL is 1 or less, or missing, is dropped and counted.
void forwardPacket(const clsPacket& pkt, const std::shared_ptr<clsSocket>& sock);

}  // namespace qel
