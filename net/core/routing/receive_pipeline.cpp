#include "receive_pipeline.h"

#include "confirmation.h"
#include "connection.h"
#include "dispatch_table.h"
#include "error_log.h"
#include "fields.h"
#include "guarded.h"
#include "input_limits.h"
#include "library_state.h"
#include "numbers.h"
#include "route_table.h"
#include "send_pipeline.h"
#include "transforms.h"
#include "wire_format.h"

#include "platform/decimal.h"
#include "platform/runtime_error.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace qel {
namespace {

// Whether the node handles a packet for `destination`: one that names the
// node anywhere (a packet may list several nodes), or every node.
bool addressedTo(const Session& own, std::string_view destination) {
    return destination == "BROADCAST" ||
           (!own.nodeID.empty() && destination.find(own.nodeID) != std::string_view::npos);
}

// The saving of a compressed body in whole percent (halves to even) joins the
// statistics. A saving that cannot be computed, or lies outside 16 bits, is
// left out of the sum; the packet is counted all the same.
void countCompression(const clsPacket& pkt, int64_t originalLength) {
    TrafficCounters& counters = library().counters;
    ++counters.compressionCount;
    int64_t contentLength = 0;
    if (originalLength == 0 || !readContentLength(pkt, contentLength)) {
        return;  // only the statistics miss this packet
    }
    const double saving = std::nearbyint(100.0 - 100.0 * static_cast<double>(contentLength) /
                                                     static_cast<double>(originalLength));
    if (saving >= std::numeric_limits<int16_t>::min() &&
        saving <= std::numeric_limits<int16_t>::max()) {
        counters.compressionSum += static_cast<int64_t>(saving);
    }
}

// Undoes the body's transforms in their one order, whatever the order of the
// flag words: inflate, then the XOR with the network password ("NE") or else
// with this node's own key ("KE"). False when the body does not inflate
// (reported); a failing XOR is reported and the body goes on as it is. A
// "Z" packet without a numeric "Original-Length" throws. A body decoded once
// is left as it is.
bool decodeBody(const Session& own, clsPacket& pkt) {
    if (pkt.Data.empty() || pkt.BodyDecoded) {
        return true;
    }
    if (hasFlag(pkt, "Z")) {
        const int64_t originalLength = toInt64(getText(pkt, "Original-Length"));
        countCompression(pkt, originalLength);
        const WireStatus inflated =
            decompressData(pkt.Data, originalLength, limits::maxInflatedBody(pkt.Method));
        if (!inflated) {
            logError(inflated.error());
            return false;
        }
    }
    const bool withNetPass = hasFlag(pkt, "NE");
    if (withNetPass || hasFlag(pkt, "KE")) {
        const WireStatus decrypted =
            decryptData(pkt.Data, withNetPass ? own.netPass : own.encryptionKey);
        if (!decrypted) {
            logError(decrypted.error());
        }
    }
    pkt.BodyDecoded = true;
    return true;
}

// A hop count ("TTL", "Hops"): none when absent or when it is not a whole
// number from 0 to the largest 32-bit one.
struct HopCount {
    bool present = false;
    std::optional<int32_t> value;
};

HopCount hopCount(const clsPacket& pkt, std::string_view name) {
    const std::string text = getText(pkt, name);
    if (text.empty()) {
        return {};
    }
    const platform::Decimal number = platform::parseDecimal(trimBlanks(text));
    if (!number.ok() || number.value < 0 || number.value > std::numeric_limits<int32_t>::max()) {
        return {true, std::nullopt};
    }
    return {true, static_cast<int32_t>(number.value)};
}

// A negative or non-numeric "TTL" or "Hops" would let a packet travel for
// ever or pass a distant node off as a neighbour: such a packet is dropped.
bool hopCountsReadable(const clsPacket& pkt) {
    for (const std::string_view name : {"TTL", "Hops"}) {
        const HopCount count = hopCount(pkt, name);
        if (count.present && !count.value) {
            logError(
                platform::rt::InvalidProcedureCall,
                "Packet dropped: invalid " + std::string(name) + " \"" + getText(pkt, name) + "\"");
            return false;
        }
    }
    return true;
}

// A packet with "Hops" 0 was sent by the node at the other end of its
// connection, which so learns who that is, as a description would tell it.
// The node that accepted a connection never announces itself: without this,
// the node that opened it could not send answers such as file chunks back on
// it, so a connection it opened learns its peer even when it keeps no routes
// (it then reaches others over direct connections only). A reconnect that
// reached another node learns the new one.
void learnNeighbour(const Session& own, clsSocket& sock, const clsPacket& pkt,
                    const std::string& source) {
    if ((own.routesEnabled || sock.opened) && !source.empty() && sock.remoteNodeID != source &&
        hopCount(pkt, "Hops").value == 0) {
        sock.remoteNodeID = source;
    }
}

// A Route longer than any a packet's hops could write is dropped before
// anything learns it: the copy forwarded starts its route here.
void dropOverlongRoute(clsPacket& pkt) {
    if (const clsField* route = findField(pkt, "Route");
        route != nullptr && static_cast<int64_t>(route->Data.size()) > limits::MaxRouteBytes) {
        debugPrint("Route of " + std::to_string(route->Data.size()) + " bytes dropped");
        SetField(pkt, "Route", std::string_view());
    }
}

// Decodes the body (unless its handler does) and hands the packet to its
// method's handler; a method without one is neither decoded nor handled. A
// packet that goes on afterwards gets its body back exactly as it came.
// False when the body could not be decoded.
bool handleHere(const Session& own, clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                const std::string& source, bool forwardedAfter) {
    const DispatchTable::Method* method = library().methodHandlers.method(pkt.Method);
    if (method == nullptr) {
        return true;
    }
    std::string received;
    if (forwardedAfter) {
        received = pkt.Data;
    }
    if (method->decoding == BodyDecoding::BeforeHandler && !decodeBody(own, pkt)) {
        return false;
    }
    dispatchPacket(pkt, sock, source);
    if (forwardedAfter) {
        pkt.Data = std::move(received);
        pkt.BodyDecoded = false;
    }
    return true;
}

}  // namespace

void processPacket(clsPacket& pkt, const std::shared_ptr<clsSocket>& sock) {
    guarded("", [&] {
        CurrentSessionGuard restore;
        if (!sock || !restore.switchTo(sock->session)) {
            return;
        }
        const SessionPtr own = currentSession();
        TrafficCounters& counters = library().counters;
        ++counters.InPacketCount;
        ++counters.packetsIn;

        if (!hopCountsReadable(pkt)) {
            ++counters.PacketsDropped;
            return;
        }
        const std::string id = getText(pkt, "ID");
        const std::string destination = getText(pkt, "Destination");
        const std::string source = getText(pkt, "Source");
        dropOverlongRoute(pkt);
        learnRoute(*own, pkt);
        learnNeighbour(*own, *sock, pkt, source);
        if (id.empty()) {
            return;  // every sender writes one; without it no copy could be told apart
        }
        if (static_cast<int64_t>(id.size()) > limits::MaxPacketIdBytes ||
            static_cast<int64_t>(source.size()) > limits::MaxPacketIdBytes) {
            ++counters.PacketsDropped;
            return;
        }
        const bool forMeAlone = destination == own->nodeID;
        const bool confirmHere = forMeAlone && hasFlag(pkt, "C");
        if (packetSeen(source, id)) {
            // A resend: its sender may have missed our first CONFIRM.
            if (confirmHere) {
                confirmPacket(id, source);
            }
            return;
        }
        rememberPacketID(source, id);

        if (addressedTo(*own, destination)) {
            if (confirmHere) {
                confirmPacket(id, source);
            }
            if (!handleHere(*own, pkt, sock, source, !forMeAlone)) {
                return;
            }
            // The handler may have waited and let another node become current.
            if (!restore.switchTo(sock->session)) {
                return;
            }
        }
        if (!forMeAlone) {
            forwardPacket(pkt, sock);
        }
    });
}

bool decodeReceivedBody(clsPacket& pkt) {
    return decodeBody(*requireCurrentSession(), pkt);
}

void forwardPacket(const clsPacket& pkt, const std::shared_ptr<clsSocket>& sock) {
    guarded("forwardPacket", [&] {
        const std::optional<int32_t> ttl = hopCount(pkt, "TTL").value;
        if (!ttl || *ttl <= 1) {
            ++library().counters.PacketsDropped;
            return;
        }
        const std::optional<int32_t> hops = hopCount(pkt, "Hops").value;
        // A copy travels no further than this node's own packets would, so a
        // peer's huge TTL cannot keep a packet circling.
        const int32_t ownTTL = requireCurrentSession()->TTL;
        clsPacket copy = pkt;
        bool written = setText(copy, "TTL", std::to_string(std::min(*ttl - 1, ownTTL)));
        if (hops) {
            written = written && setText(copy, "Hops", std::to_string(int64_t{*hops} + 1));
        }
        if (written) {
            sendPacket(std::move(copy), sock);
        }
    });
}

}  // namespace qel
