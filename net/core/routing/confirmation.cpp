#include "confirmation.h"

#include "fields.h"
#include "guarded.h"
#include "library_state.h"
#include "send_pipeline.h"

#include "platform/event_loop.h"

namespace qel {
namespace {

bool ofSession(const clsPendingPkt& packet, const SessionPtr& session) {
    return session && packet.session.lock() == session;
}

bool stillPending(const std::shared_ptr<clsPendingPkt>& packet) {
    return getPending(packet->ID) == packet;
}

void checkSession(const SessionPtr& session) {
    LibraryState& lib = library();
    // The packets pending as the pass begins, each once.
    for (const std::shared_ptr<clsPendingPkt>& packet : lib.pendingTable.snapshot()) {
        if (!ofSession(*packet, session) || !packet->Sent || !stillPending(packet) ||
            platform::tickCount() - packet->timeStamp < session->confirmTimeout) {
            continue;
        }
        if (packet->sendCount >= static_cast<int64_t>(session->confirmRetry) + 1) {
            ++lib.counters.DeliveryFailures;
            removePending(packet->ID);
        } else {
            ++lib.counters.DeliveryResends;
            startPacketSend(packet);
        }
    }
}

}  // namespace

bool canSend(const clsPendingPkt& packet) {
    return guarded("canSend", false, [&packet] {
        if (packet.Destination == "BROADCAST") {
            return true;
        }
        const SessionPtr own = packet.session.lock();
        for (const auto& [id, other] : library().pendingTable) {
            if (other.get() != &packet && other->needsConfirmation &&
                other->Destination == packet.Destination && ofSession(*other, own)) {
                return false;
            }
        }
        return true;
    });
}

std::shared_ptr<clsPendingPkt> getPending(std::string_view strID) {
    const std::shared_ptr<clsPendingPkt>* found = library().pendingTable.find(strID);
    return found != nullptr ? *found : nullptr;
}

void removePending(std::string_view strID) {
    guarded("removePending", [strID] {
        LibraryState& lib = library();
        const SessionPtr own = currentSession();
        const std::shared_ptr<clsPendingPkt> removed = getPending(strID);
        if (!removed || !ofSession(*removed, own)) {
            return;
        }
        lib.pendingTable.remove(strID);
        std::shared_ptr<clsPendingPkt> next;
        for (const auto& [id, packet] : lib.pendingTable) {
            if (packet->Destination != removed->Destination || !ofSession(*packet, own)) {
                continue;
            }
            if (packet->Sent) {
                return;  // one is in flight already
            }
            next = next ? next : packet;
        }
        if (next) {
            startPacketSend(next);
        }
    });
}

void confirmPacket(const std::string& strID, const std::string& strDest) {
    guarded("confirmPacket", [&] {
        clsPacket confirm;
        confirm.Method = "CONFIRM";
        AddField(confirm, "Destination", strDest);
        AddField(confirm, "Source-Node", strID);
        sendPacket(confirm);
    });
}

void confirmationCheck() {
    guarded("confirmationCheck", [] {
        for (const SessionPtr& session : library().sessions.snapshot()) {
            if (!session->confirmMode) {
                continue;
            }
            CurrentSessionGuard restore;
            if (restore.switchTo(session)) {
                checkSession(session);
            }
        }
    });
}

void dropPendingPackets(const Session& session) {
    LibraryState& lib = library();
    for (const std::shared_ptr<clsPendingPkt>& packet : lib.pendingTable.snapshot()) {
        if (packet->session.lock().get() == &session) {
            lib.pendingTable.remove(packet->ID);
        }
    }
}

}  // namespace qel
