#pragma once

#include "packet.h"
#include "pending_packet.h"
#include "session.h"

#include <memory>
#include <string_view>

// How every packet leaves a node, its own and the copies it forwards. Each
// operation reports its own errors with its own name as the source, and its
// caller goes on.
namespace qel {

class clsSocket;

// Sends a packet of the current session. Fills in what the packet lacks
// ("Destination" BROADCAST, "Source", "TTL", "Hops" 0, "ID", in this order),
// transforms the body as the session asks, flags it "C" for confirmation in
// confirmation mode (only the node's own packets to a single node), extends
// or starts its "Route", writes its text once and sends it: on `sendViaSck`
// when given, else on the route's first hop, else to every connection of the
// session. A forwarded copy (`sourceSck`, its arrival connection) always goes
// to every connection but that one. A packet awaiting confirmation waits
// while an earlier one to its destination is pending.
void sendPacket(clsPacket& pkt, const std::shared_ptr<clsSocket>& sourceSck = nullptr,
                const std::shared_ptr<clsSocket>& sendViaSck = nullptr);
// The same for a packet the caller gives up: its body goes on the wire as it
// is, never copied (the packet is left without it).
void sendPacket(clsPacket&& pkt, const std::shared_ptr<clsSocket>& sourceSck = nullptr,
                const std::shared_ptr<clsSocket>& sendViaSck = nullptr);

// Fills in the fields a packet of `own` lacks, as sendPacket does first; a
// caller that needs the packet's "ID" before it gives the packet up calls it.
void fillDefaults(const Session& own, clsPacket& pkt);

// The body transforms, in this order: encryption (with the destination's key,
// "KE", or else the network password, "NE"), then compression ("Z", with
// "Original-Length"), then "Content-Length". A transform the packet already
// carries is not applied again, and a compressed body is never encrypted. A
// transform that fails is reported and left out, flags included. FILE
// packets also give `pp` their upload and the end of their chunk.
bool prepareData(const Session& session, clsPacket& pkt, std::string_view strDest,
                 clsPendingPkt& pp);

// Sends the packet once, as `sendPacket` describes, and counts it.
void startPacketSend(const std::shared_ptr<clsPendingPkt>& pp);

// Sends the packet on every connection of its session but `exceptSck`.
void sendToAll(const std::shared_ptr<clsPendingPkt>& pp,
               const std::shared_ptr<clsSocket>& exceptSck);

}  // namespace qel
