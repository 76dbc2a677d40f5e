#include "send_pipeline.h"

#include "byte_range.h"
#include "confirmation.h"
#include "connection.h"
#include "fields.h"
#include "guarded.h"
#include "identifiers.h"
#include "library_state.h"
#include "lookups.h"
#include "route_table.h"
#include "transforms.h"
#include "wire_format.h"

#include "platform/event_loop.h"

#include <optional>
#include <string>

namespace qel {
namespace {

constexpr int CompressionLevel = 9;

// Whether a handle was given at all, even if what it named has gone since.
template <class T>
bool given(const std::weak_ptr<T>& handle) {
    return handle.owner_before(std::weak_ptr<T>()) || std::weak_ptr<T>().owner_before(handle);
}

void setWhenAbsent(clsPacket& pkt, std::string_view name, const std::string& value) {
    if (getText(pkt, name).empty()) {
        SetField(pkt, name, value);
    }
}

void fillDefaults(const Session& own, clsPacket& pkt) {
    setWhenAbsent(pkt, "Destination", "BROADCAST");
    setWhenAbsent(pkt, "Source", own.nodeID);
    setWhenAbsent(pkt, "TTL", std::to_string(own.TTL));
    setWhenAbsent(pkt, "Hops", "0");
    if (getText(pkt, "ID").empty()) {
        SetField(pkt, "ID", newID());
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

// Transforms a copy of the body; only what succeeded is then flagged.
void transformBody(const Session& own, clsPacket& pkt, std::string_view strDest, bool encrypt,
                   bool compress) {
    std::string bytes = pkt.Data;
    std::string_view encryptedWith;
    if (encrypt) {
        std::string key = getNodeKey(own, strDest);
        std::string_view flag = "KE";
        if (key.empty()) {
            key = own.netPass;
            flag = "NE";
        }
        if (encryptData(bytes, key)) {
            encryptedWith = flag;
        }
    }
    std::optional<size_t> originalLength;
    if (compress) {
        const size_t length = bytes.size();
        if (compressData(bytes, CompressionLevel)) {
            originalLength = length;
        }
    }
    if (!encryptedWith.empty()) {
        AppendField(pkt, "Flags", encryptedWith, ",");
    }
    if (originalLength) {
        AppendField(pkt, "Flags", "Z", ",");
        SetField(pkt, "Original-Length", std::to_string(*originalLength));
    }
    pkt.Data = std::move(bytes);
}

}  // namespace

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
        SetField(pkt, "Content-Length", std::to_string(pkt.Data.size()));
        if (pkt.Method == "FILE") {
            recordFileChunk(pkt, pp);
        }
        return true;
    });
}

void sendPacket(clsPacket& pkt, const std::shared_ptr<clsSocket>& sourceSck,
                const std::shared_ptr<clsSocket>& sendViaSck) {
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
            AppendField(pkt, "Flags", "C", ",");
        }
        if (!route.empty()) {
            SetField(pkt, "Route", appendRoute(route, own->nodeID));
        } else if (own->routesEnabled) {
            SetField(pkt, "Route", own->nodeID);
        }
        pp->strPacket = writePacket(pkt);
        pp->session = own;
        pp->Destination = destination;
        pp->ID = getText(pkt, "ID");
        pp->Method = pkt.Method;
        pp->sendViaSck = sendViaSck;
        pp->sourceSck = sourceSck;
        if (!own->seeSelf && !packetSeen(pp->ID)) {
            rememberPacketID(pp->ID);
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

void startPacketSend(const std::shared_ptr<clsPendingPkt>& pp) {
    guarded("startPacketSend", [&] {
        const SessionPtr own = SessionTable::live(pp->session);
        if (!own) {
            return;  // its node has shut down
        }
        TrafficCounters& counters = library().counters;
        ++counters.OutPacketCount;
        ++counters.packetsOut;
        const bool forwarded = given(pp->sourceSck);
        const bool forced = given(pp->sendViaSck);
        // A forced connection that has gone since drops the packet, as one
        // that is no longer connected would.
        const std::shared_ptr<clsSocket> connection =
            forced ? pp->sendViaSck.lock() : findRoute(*own, pp->Destination);
        if (forwarded || (!forced && !connection)) {
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
        for (const std::shared_ptr<clsSocket>& connection : library().connectionTable.snapshot()) {
            if (connection != exceptSck && connection->session.lock() == own) {
                connection->Send(pp);
            }
        }
    });
}

}  // namespace qel
