#pragma once

#include "session.h"

#include "qellib/variant.h"

#include <cstdint>
#include <string>
#include <string_view>

// Finding other nodes by UDP. A discoverable node keeps a UDP socket bound to
// its `udpPort` (one element of the host's sckUDP array) until it stops being
// discoverable or shuts down. A search sends DISCOVER datagrams to the
// broadcast address, one address or every address of a range; every node
// that hears a new sender records the TCP address it advertises and answers
// with its own DISCOVER, sent to the sender's IP on the searching node's UDP
// port. A sender heard before is answered again only once its last answer is
// older than DiscoverReanswerMs, so the answer to an answer ends the exchange
// while a restarted node is still found. Only senders in this machine's own
// networks (its interfaces' subnets and loopback) are answered, at most
// DiscoverAnswersPerSecond a second, so no datagram can make the node send
// to strangers or flood.
//
// The datagram: "DISCOVER " + own IP + ":" + listen port + " " + "QEL/2.1" +
// CR LF CR LF.
namespace qel {

inline constexpr std::string_view DiscoverKeyword = "DISCOVER ";
inline constexpr std::string_view DiscoverRecordEnd = "\r\n\r\n";
inline constexpr int64_t DiscoverReanswerMs = 3000;
// Answers one node sends in any second, whatever the datagrams it hears list.
inline constexpr int DiscoverAnswersPerSecond = 64;
// Addresses one search keeps, and the unended start of a record kept from one
// datagram for the next.
inline constexpr size_t MaxDiscoveredNodes = 1024;
inline constexpr size_t MaxDiscoverRemainder = 1024;

// The DISCOVER datagram of a node at `ownIP` listening on `listenPort`.
std::string discoverDatagram(std::string_view ownIP, int32_t listenPort);

// Binds a UDP socket of the current session to its `udpPort`. False when the
// session has one already (it keeps it) or the port cannot be bound.
bool startUDP();
// Closes the session's UDP socket; the session is no longer discoverable.
void stopUDP(Session& session);

// A search of the current session, as cQELDiscover::discoverNodes describes
// it; the errors of a range it cannot scan are reported with the source
// "discoverNodes".
StringArray discoverNodes(int64_t timeoutMs, std::string range);

// Sends the current session's DISCOVER to `address` on its UDP port. A send
// that fails lets events run and is tried again, three times at most; then it
// is given up, silently.
void sendDiscover(const std::string& address);

// The datagram that arrived on element `index` of sckUDP, handled in the
// session that element belongs to.
void udpDataArrival(int index, const std::string& datagram);

}  // namespace qel
