#include "send_pipeline.h"

#include "byte_range.h"
#include "confirmation.h"
#include "connection.h"
#include "error_codes.h"
#include "error_log.h"
#include "fields.h"
#include "guarded.h"
#include "identifiers.h"
#include "library_state.h"
#include "lookups.h"
#include "route_table.h"
#include "transforms.h"
#include "wire_format.h"

#include "platform/event_loop.h"
#include "platform/runtime_error.h"

#include <optional>
#include <string>

namespace qel {
namespace {

// Writes one of the core's own fields as plain text; a packet whose field
// cannot be written is reported and not sent.
void writeField(clsPacket& pkt, std::string_view name, std::string_view value) {
    if (!setText(pkt, name, value)) {
        throw platform::RuntimeError(code::NewLineInField,
                                     "New line characters illegal in header fields");
    }
}

void appendFlag(clsPacket& pkt, std::string_view flag) {
    if (!appendText(pkt, "Flags", flag, ",")) {
        throw platform::RuntimeError(code::NewLineInField,
                                     "New line characters illegal in header fields");
    }
}

void writeWhenAbsent(clsPacket& pkt, std::string_view name, const std::string& value) {
    if (getText(pkt, name).empty()) {
        writeField(pkt, name, value);
    }
}

// Confirmation is asked for the node's own packets to one node only: a
// forwarder never gets the CONFIRM, and a packet for several nodes is never
// confirmed.
bool asksConfirmation(const Session& own, const clsPacket& pkt, std::string_view destination,
                      bool forwarded) {
    return own.confirmMode && !forwarded && pkt.Method != "CONFIRM" && destination != "BROADCAST" &&
           destination.find(',') == std::string_view::npos;
}

void recordFileChunk(const clsPacket& pkt, clsPendingPkt& pp) {
    pp.reqID = getText(pkt, "ReqID");
    const std::string range = getText(pkt, "Content-Range");
    if (range.empty()) {
        return;
    }
    if (const std::shared_ptr<cXRange> parsed = parseRange(range)) {
        pp.fileProgress = parsed->lngEnd;
    }
}

// Transforms the body in place, without a copy (a transform that fails
// leaves it as it was); only what succeeded is then flagged.
void transformBody(const Session& own, clsPacket& pkt, std::string_view strDest, bool encrypt,
                   bool compress) {
    std::string_view encryptedWith;
    if (encrypt) {
        std::string key = getNodeKey(own, strDest);
        std::string_view flag = "KE";
        if (key.empty()) {
            key = own.netPass;
            flag = "NE";
        }
        if (const WireStatus encrypted = encryptData(pkt.Data, key); encrypted) {
            encryptedWith = flag;
        } else {
            logError(encrypted.error());
        }
    }
    std::optional<size_t> originalLength;
    if (compress) {
        const size_t length = pkt.Data.size();
        bool compressed = false;
        if (const WireStatus done = library().bodyCompressor.compress(pkt.Data, compressed);
            !done) {
            logError(done.error());
        } else if (compressed) {
            originalLength = length;
        }
    }
    if (!encryptedWith.empty()) {
        appendFlag(pkt, encryptedWith);
    }
    if (originalLength) {
        appendFlag(pkt, "Z");
        writeField(pkt, "Original-Length", std::to_string(*originalLength));
    }
}

}  // namespace

void fillDefaults(const Session& own, clsPacket& pkt) {
    writeWhenAbsent(pkt, "Destination", "BROADCAST");
    writeWhenAbsent(pkt, "Source", own.nodeID);
    writeWhenAbsent(pkt, "TTL", std::to_string(own.TTL));
    writeWhenAbsent(pkt, "Hops", "0");
    if (getText(pkt, "ID").empty()) {
        writeField(pkt, "ID", newID());
    }
}

bool prepareData(const Session& session, clsPacket& pkt, std::string_view strDest,
                 clsPendingPkt& pp) {
    return guarded("prepareData", false, [&] {
        const bool compressed = hasFlag(pkt, "Z");
        const bool compress = session.useComp && !compressed;
        // XOR over compressed bytes could not be undone: readers inflate first.
        const bool encrypt =
            session.useEnc && !compressed && !hasFlag(pkt, "NE") && !hasFlag(pkt, "KE");
        if (compress || encrypt) {
            transformBody(session, pkt, strDest, encrypt, compress);
        }
        writeField(pkt, "Content-Length", std::to_string(pkt.Data.size()));
        if (pkt.Method == "FILE") {
            recordFileChunk(pkt, pp);
        }
        return true;
    });
}

namespace {

void sendPacketWith(clsPacket& pkt, const std::shared_ptr<clsSocket>& sourceSck,
                    const std::shared_ptr<clsSocket>& sendViaSck, bool bodyGivenUp) {
    guarded("sendPacket", [&] {
        const SessionPtr own = requireCurrentSession();
        fillDefaults(*own, pkt);
        const std::string destination = getText(pkt, "Destination");
        const std::string route = getText(pkt, "Route");
        auto pp = std::make_shared<clsPendingPkt>();
        if (!pkt.Data.empty() && !prepareData(*own, pkt, destination, *pp)) {
            return;
        }
        const bool confirmable = asksConfirmation(*own, pkt, destination, sourceSck != nullptr);
        if (confirmable) {
            appendFlag(pkt, "C");
        }
        if (!route.empty()) {
            writeField(pkt, "Route", appendRoute(route, own->nodeID));
        } else if (own->routesEnabled) {
            writeField(pkt, "Route", own->nodeID);
        }
        if (bodyGivenUp && !pkt.Data.empty()) {
            pp->strPacket = writeHeader(pkt);
            pp->strBody = std::move(pkt.Data);
            pkt.Data.clear();
        } else {
            pp->strPacket = writePacket(pkt);
        }
        pp->session = own;
        pp->Destination = destination;
        pp->ID = getText(pkt, "ID");
        pp->Method = pkt.Method;
        pp->sendViaSck = sendViaSck;
        pp->viaForcedConnection = sendViaSck != nullptr;
        pp->sourceSck = sourceSck;
        pp->forwarded = sourceSck != nullptr;
        const std::string source = getText(pkt, "Source");
        if (!own->seeSelf && !packetSeen(source, pp->ID)) {
            rememberPacketID(source, pp->ID);
        }
        if (confirmable) {
            pp->needsConfirmation = true;
            library().pendingTable.add(pp->ID, pp);
            if (!canSend(*pp)) {
                return;
            }
        }
        startPacketSend(pp);
    });
}

}  // namespace

void sendPacket(clsPacket& pkt, const std::shared_ptr<clsSocket>& sourceSck,
                const std::shared_ptr<clsSocket>& sendViaSck) {
    sendPacketWith(pkt, sourceSck, sendViaSck, false);
}

void sendPacket(clsPacket&& pkt, const std::shared_ptr<clsSocket>& sourceSck,
                const std::shared_ptr<clsSocket>& sendViaSck) {
    sendPacketWith(pkt, sourceSck, sendViaSck, true);
}

void startPacketSend(const std::shared_ptr<clsPendingPkt>& pp) {
    guarded("startPacketSend", [&] {
        const SessionPtr own = SessionTable::live(pp->session);
        if (!own) {
            return;  // its node has shut down
        }
        TrafficCounters& counters = library().counters;
        ++counters.OutPacketCount;
        ++counters.packetsOut;
        // A forced connection that has gone since drops the packet, as one
        // that is no longer connected would.
        const std::shared_ptr<clsSocket> connection =
            pp->viaForcedConnection ? pp->sendViaSck.lock() : findRoute(*own, pp->Destination);
        if (pp->forwarded || (!pp->viaForcedConnection && !connection)) {
            sendToAll(pp, pp->sourceSck.lock());
        } else if (connection) {
            connection->Send(pp);
        }
        if (pp->needsConfirmation) {
            pp->Sent = true;
            pp->timeStamp = platform::tickCount();
            ++pp->sendCount;
        }
    });
}

void sendToAll(const std::shared_ptr<clsPendingPkt>& pp,
               const std::shared_ptr<clsSocket>& exceptSck) {
    guarded("sendToAll", [&] {
        const SessionPtr own = SessionTable::live(pp->session);
        if (!own) {
            return;
        }
        // A forwarded packet is flooded, but the copy on the way to its
        // destination is relayed traffic: it may hold back its sender. Every
        // other forwarded copy, and each copy of the node's own broadcast,
        // is only a flood's, which a slow connection may drop. The node's own
        // packets for a node it has no route to are queued on every connection.
        const bool ownBroadcast = !pp->forwarded && pp->Destination == "BROADCAST";
        const std::shared_ptr<clsSocket> towardsDestination =
            pp->forwarded ? findRoute(*own, pp->Destination) : nullptr;
        for (const std::shared_ptr<clsSocket>& connection : library().connectionTable.snapshot()) {
            if (connection == exceptSck || connection->session.lock() != own) {
                continue;
            }
            const bool floodCopy =
                ownBroadcast || (pp->forwarded && connection != towardsDestination);
            if (floodCopy) {
                connection->sendFloodCopy(pp);
            } else {
                connection->Send(pp);
            }
        }
    });
}

}  // namespace qel
