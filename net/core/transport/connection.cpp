#include "connection.h"

#include "error_log.h"
#include "event_raisers.h"
#include "guarded.h"
#include "input_limits.h"
#include "library_state.h"
#include "receive_nesting.h"
#include "socket_host.h"

#include "platform/event_loop.h"
#include "platform/runtime_error.h"
#include "platform/scoped_assignment.h"

#include <utility>

namespace qel {

using platform::SocketState;

clsSocket::clsSocket(SessionHandle session, std::string connectionID, platform::SocketControl& sck,
                     std::shared_ptr<ConnectionServices> services)
    : session(std::move(session)),
      connectionID(std::move(connectionID)),
      sck_(&sck),
      services_(std::move(services)) {}

platform::SocketState clsSocket::state() const {
    return sck_ != nullptr ? sck_->state() : SocketState::Closed;
}

void clsSocket::detach() {
    Maintain = false;
    isConnected = false;
    checkForTimeout = false;
    resetStreams();
    sck_ = nullptr;
}

void clsSocket::closeControl() {
    if (sck_ != nullptr && sck_->state() != SocketState::Closed) {
        sck_->close();
    }
}

template <class Work>
void clsSocket::inSessionFrame(Work&& work) {
    // Held for the frame: the work may drop the connection's last other owner.
    const std::shared_ptr<clsSocket> self = shared_from_this();
    CurrentSessionGuard restore;
    const SessionPtr own = SessionTable::live(session);
    if (!own || !restore.switchTo(session)) {
        closeForGoneSession();
        return;
    }
    guarded("", [&] { work(*own); });
}

void clsSocket::closeForGoneSession() {
    Maintain = false;
    isConnected = false;
    closeControl();
    resetStreams();
}

void clsSocket::resetStreams() {
    incoming.reset();
    closeWhenHandled_ = false;
    waitingForRoom = false;  // what waited for room is gone with the stream
    library().headerBudget.forget(*this);
    packetOut.reset();
    Sending = false;
    outPending.clear();
    queued_.reset();
    stallWatch_.clear();
    readHolds_.releaseSources(connectionID);
    if (readHolds_.clearHolders() && sck_ != nullptr && sck_->state() == SocketState::Connected) {
        sck_->setReadPaused(false);
    }
}

void clsSocket::holdReading(const std::string& holderID) {
    if (readHolds_.addHolder(holderID) && sck_ != nullptr) {
        sck_->setReadPaused(true);
    }
}

void clsSocket::releaseReading(const std::string& holderID) {
    // Resuming delivers an arrival, which goes on with the packets held back.
    if (readHolds_.removeHolder(holderID) && sck_ != nullptr) {
        sck_->setReadPaused(false);
    }
}

// A forwarded packet pushed the queue over the soft mark: the connection it
// came from is read no further until the queue has gone down.
void clsSocket::holdSourceOf(const clsPendingPkt& forwarded) {
    const std::shared_ptr<clsSocket> source = forwarded.sourceSck.lock();
    if (source && source.get() != this) {
        readHolds_.holdSource(source, connectionID);
    }
}

void clsSocket::releaseWhenDrained() {
    if (!queued_.settleIfDrained(library().outgoingBounds)) {
        return;
    }
    if (readHolds_.holdingSources()) {
        readHolds_.releaseSources(connectionID);
    }
}

void clsSocket::Send(const std::shared_ptr<clsPendingPkt>& Pend) {
    guarded("", [&] { queueForWrite(Pend, Pend && Pend->forwarded); });
}

void clsSocket::sendFloodCopy(const std::shared_ptr<clsPendingPkt>& Pend) {
    guarded("", [&] {
        if (!Pend) {
            return;
        }
        if (!queued_.takesFloodCopy(Pend->wireSize(), library().outgoingBounds)) {
            if (queued_.startDroppingFloodCopies() && state() == SocketState::Connected) {
                debugPrint("Connection " + connectionID +
                           " drops flooded copies: its peer reads slowly");
            }
            return;
        }
        queueForWrite(Pend, false);
    });
}

void clsSocket::queueForWrite(const std::shared_ptr<clsPendingPkt>& Pend, bool holdsSource) {
    if (!Pend || state() != SocketState::Connected) {
        return;
    }
    if (library().debugMode) {
        debugPrint("<< OUTGOING <<<<<<<<<<\r\n" + Pend->strPacket + Pend->strBody);
    }
    const OutgoingBounds& bounds = library().outgoingBounds;
    queued_.add(Pend->wireSize());
    if (queued_.overBound(bounds)) {
        debugPrint("Connection " + connectionID + " closed: its peer does not read");
        closeConnection(false);
        return;
    }
    if (holdsSource && queued_.overSoftMark(bounds)) {
        holdSourceOf(*Pend);
    }
    if (Sending) {
        outPending.push_back(Pend);
    } else {
        sendPending(Pend);
    }
}

void clsSocket::sendPending(const std::shared_ptr<clsPendingPkt>& Pend) {
    Sending = true;
    packetOut = Pend;
    stallWatch_.writeStarted(platform::tickCount());
    const bool written = guarded("", false, [&] {
        if (sck_ == nullptr) {
            return false;
        }
        sck_->sendData(Pend->strPacket, Pend->strBody);
        return true;
    });
    if (!written) {
        Sending = false;  // no completion will come for it
        queued_.remove(Pend->wireSize());
        releaseWhenDrained();
    }
}

// Writes the oldest waiting packet, skipping any the control refuses; once
// the control is no longer connected, the waiting packets are dropped.
void clsSocket::writeNextWaiting() {
    while (!Sending && !outPending.empty()) {
        if (state() != SocketState::Connected) {
            outPending.clear();
            queued_.emptied();
            readHolds_.releaseSources(connectionID);
            return;
        }
        const std::shared_ptr<clsPendingPkt> next = std::move(outPending.front());
        outPending.pop_front();
        sendPending(next);
    }
}

bool clsSocket::carriedFileChunk() const {
    return packetOut && !packetOut->reqID.empty() && packetOut->fileProgress.has_value();
}

void clsSocket::paceUpload(Session& own) {
    if (!services_) {
        return;
    }
    // Held: the engine may send on this connection and replace packetOut.
    const std::shared_ptr<ConnectionServices> services = services_;
    const std::shared_ptr<clsPendingPkt> chunk = packetOut;
    services->fileChunkWritten(own, *chunk, shared_from_this());
}

void clsSocket::closeIfStalled(int64_t nowMs) {
    if (!Sending || !isConnected || sck_ == nullptr) {
        stallWatch_.clear();
        return;
    }
    if (!stallWatch_.stalled(socketHost().lastSendProgress(sck_->index()), nowMs, stallBoundMs())) {
        return;
    }
    debugPrint("Connection " + connectionID + " closed: its writes made no progress");
    closeConnection(false);
}

int64_t clsSocket::stallBoundMs() const {
    const SessionPtr own = SessionTable::live(session);
    return StallWatch::boundMs(library().outgoingBounds, own ? int64_t{own->Timeout} : 0);
}

void clsSocket::sendComplete() {
    inSessionFrame([this](Session& own) {
        if (!Sending) {
            return;  // nothing of ours in flight (the write was dropped by a close)
        }
        queued_.remove(packetOut->wireSize());
        releaseWhenDrained();
        if (carriedFileChunk()) {
            paceUpload(own);
        }
        Sending = false;
        writeNextWaiting();
    });
}

void clsSocket::dataArrival(int64_t bytesWaiting) {
    inSessionFrame([this, bytesWaiting](Session&) {
        library().counters.bytesIn += bytesWaiting;
        // The arrival buffer goes round between the control, the stream and
        // here, so a steady stream reuses the same three buffers.
        if (sck_ != nullptr) {
            sck_->takeData(arrival_);
        } else {
            arrival_.clear();
        }
        // Nothing new after a hold ends: the packets held back go on.
        if (!arrival_.empty() || incoming.bufferedBytes() > 0) {
            receive();
        }
    });
}

void clsSocket::connectionEstab() {
    inSessionFrame([this](Session& own) {
        if (isConnected) {
            return;
        }
        isConnected = true;
        opened = true;
        backoff.established(platform::tickCount());
        resetStreams();
        std::string address = Address;
        enmConMode mode = mode_Outgoing;
        std::string id = connectionID;
        if (!raiseConnectionEstab(SessionTable::live(session), address, mode, id)) {
            return;  // the handler shut the node down
        }
        updateConnectedState();
        if (own.announceSelf && services_) {
            services_->sendInfo("BROADCAST", shared_from_this());
        }
    });
}

void clsSocket::closeConnection(bool userInitiated) {
    inSessionFrame([this, userInitiated](Session& own) {
        if (userInitiated) {
            Maintain = false;
        }
        if (!isConnected) {
            // Never established: a connect still in progress stops, silently.
            closeControl();
            resetStreams();
            return;
        }
        isConnected = false;
        // The control closes at once (its unsent bytes still flush in the
        // background), so there is nothing to wait for.
        closeControl();
        resetStreams();
        std::string address = Address;
        std::string nodeID = remoteNodeID;
        std::string id = connectionID;
        if (!raiseConnectionClosed(SessionTable::live(session), address, nodeID, id)) {
            return;
        }
        updateConnectedState();
        backoff.dropped(platform::tickCount());
        if (services_) {
            // Held: the services outlive a change of the library's own.
            const std::shared_ptr<ConnectionServices> services = services_;
            services->connectionClosed(own, shared_from_this());
            if (Maintain && !own.disconnecting) {
                services->reconnect(shared_from_this());
            }
        }
    });
}

void clsSocket::peerEnded() {
    inSessionFrame([this](Session&) {
        if (!isConnected) {
            closeConnection(false);
            return;
        }
        closeWhenHandled_ = true;
        if (reportingFramingErrors_) {
            return;  // the cut under way goes on, and closes once it is done
        }
        handleBuffered();
    });
}

// Once the stream holds nothing more to hand on, an ended peer's connection closes.
void clsSocket::closeIfPeerEnded() {
    if (closeWhenHandled_ && isConnected) {
        closeConnection(false);
    }
}

// Reports what the framing found wrong, after the cut. A later arrival on
// this connection while an Error handler waits only joins the stream, so the
// packets still leave it in byte order. False when the node went away meanwhile.
bool clsSocket::reportFramingErrors() {
    std::vector<WireError> errors = incoming.takeErrors();
    if (errors.empty()) {
        return true;
    }
    {
        const platform::ScopedAssignment reporting(reportingFramingErrors_, true);
        for (const WireError& error : errors) {
            logError(error);
        }
    }
    if (!SessionTable::live(session)) {
        closeForGoneSession();
        return false;
    }
    return true;
}

// Takes the text that just arrived (in arrival_) and hands every packet it completes to
// the receive pipeline, in order. A broken stream closes the connection; a
// connection whose session is gone meanwhile is closed and read no further.
// Text waiting for room grows no further than the largest packet: beyond,
// the connection is closed (reported).
void clsSocket::receive() {
    guarded("", [&] {
        LibraryState& lib = library();
        if (lib.debugMode) {
            debugPrint(">> INCOMING >>>>>>>>>>\r\n" + arrival_);
        }
        // A handler waiting below may take the next arrival into arrival_:
        // it is given up to the stream here and not touched after.
        incoming.appendTrading(arrival_);
        if (waitingForRoom && incoming.bufferedBytes() > limits::MaxHeldStreamBytes) {
            logError(platform::rt::OutOfMemory,
                     "Connection closed: " + std::to_string(incoming.bufferedBytes()) +
                         " bytes wait while packet handlers wait");
            closeConnection(false);
            return;
        }
        if (reportingFramingErrors_) {
            return;  // the cut under way takes it once its errors are reported
        }
        handleBuffered();
        watchUnfinishedHeader();
    });
}

// A header the stream could not cut for want of its end, with nothing else
// keeping it from being cut, counts against the budget of unfinished headers.
void clsSocket::watchUnfinishedHeader() {
    HeaderBudget& budget = library().headerBudget;
    const bool unfinished = isConnected && !readingHeld() && !waitingForRoom &&
                            !incoming.packetIn().HeaderDone && incoming.bufferedBytes() > 0;
    if (unfinished) {
        budget.note(shared_from_this(), incoming.heldBytes(), platform::tickCount());
    } else {
        budget.forget(*this);
    }
}

bool clsSocket::handleWaitingPackets() {
    bool handled = false;
    inSessionFrame([this, &handled](Session&) {
        if (!reportingFramingErrors_) {
            handled = handleBuffered();
            watchUnfinishedHeader();
        }
    });
    return handled;
}

// Cuts the packets the stream holds and hands each to the receive pipeline,
// one after another, while handling may nest one level deeper; otherwise the
// rest stays in the stream, in order, and the connection is held until there
// is room. A handler that waits lets the next packets of this stream be
// handled inside its wait, still in byte order. Whether a packet was handed on.
bool clsSocket::handleBuffered() {
    // Held: the pipeline may drop the connection's last other owner.
    const std::shared_ptr<clsSocket> self = shared_from_this();
    ReceiveNesting& nesting = library().receiveNesting;
    bool handled = false;
    for (;;) {
        if (!hasWaitingText()) {
            closeIfPeerEnded();
            return handled;
        }
        if (readingHeld()) {
            return handled;  // a relay's queue is full: the rest waits, in order
        }
        if (!nesting.roomForOneMore()) {
            nesting.hold(self);
            return handled;
        }
        clsPacket packet;
        const PacketFramer::Cut cut = incoming.next(packet);
        if (!reportFramingErrors()) {
            return handled;
        }
        if (cut == PacketFramer::Cut::NeedMore) {
            closeIfPeerEnded();  // a packet cut short by the end is no packet
            return handled;
        }
        if (cut == PacketFramer::Cut::Broken) {
            closeConnection(false);
            return handled;
        }
        if (library().debugMode) {
            debugPrint("** PROCESS " + packet.Method);
        }
        if (services_) {
            const ReceiveNesting::Level level(nesting, *this);
            guarded("", [&] { services_->processPacket(packet, self); });
        }
        handled = true;
        // The handler may have waited: its node may be gone, and this
        // connection closed (which empties its stream) or fed meanwhile.
        if (!SessionTable::live(session)) {
            closeForGoneSession();
            return handled;
        }
    }
}

void updateConnectedState() {
    guarded("", [] {
        const SessionPtr& current = currentSession();
        if (!current) {
            return;
        }
        current->connected = false;
        for (const std::shared_ptr<clsSocket>& connection : library().connectionTable.snapshot()) {
            if (connection->session.lock() == current &&
                connection->state() == SocketState::Connected) {
                current->connected = true;
                return;
            }
        }
    });
}

}  // namespace qel
