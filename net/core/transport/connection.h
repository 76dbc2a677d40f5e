#pragma once

#include "connection_services.h"
#include "pending_packet.h"
#include "queue_marks.h"
#include "read_holds.h"
#include "reconnect_backoff.h"
#include "session.h"
#include "stall_watch.h"
#include "stream_framing.h"

#include "platform/socket_control.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace qel {

// One TCP connection of the library: its socket control (an element of the
// connection manager's array, which outlives it), the session it works for,
// where it goes, the stream being received and the packets being written.
//
// A connection writes one packet at a time: a packet handed to it while a
// write is in progress waits, first in first out, until the control reports
// the write complete. Its event operations (sendComplete, dataArrival,
// connectionEstab, closeConnection) make its own session current for their
// work and restore the caller's afterwards; a connection whose session is
// gone is closed instead. Send and sendPending run in the current session.
//
// What pauses its reading: a relay whose queue of packets from it is full
// (ReadHolds), and packets that found no room to nest (ReceiveNesting); its
// packets then wait in the stream, in order. What ends it, besides a close
// by either side: a broken stream, a queue of unwritten packets over the
// bound (QueueMarks, which also decides when copies of a flood are dropped),
// a write that stalls (StallWatch), a header whose end does not come
// (HeaderBudget), text waiting for room beyond the largest packet, and its
// session going away.
class clsSocket : public std::enable_shared_from_this<clsSocket> {
  public:
    clsSocket(SessionHandle session, std::string connectionID, platform::SocketControl& sck,
              std::shared_ptr<ConnectionServices> services);
    clsSocket(const clsSocket&) = delete;
    clsSocket& operator=(const clsSocket&) = delete;

    const SessionHandle session;  // the session that made the connection
    bool Maintain = false;        // reconnect when it drops
    std::string connectionID;     // key in the connection table, and the control's tag
    std::string remoteNodeID;     // the peer, once a packet of its own came over this connection
    std::string Address;          // host and port (or the host alone) it goes to
    std::string originalAddress;  // the address as the caller gave it
    bool isConnected = false;     // reported established and not yet reported closed
    bool opened = false;          // this node opened it (an outgoing connection)

    PacketFramer incoming;  // the stream being received, with the packet in progress

    std::shared_ptr<clsPendingPkt> packetOut;               // handed to the control most recently
    bool Sending = false;                                   // a write is in progress
    std::deque<std::shared_ptr<clsPendingPkt>> outPending;  // waiting for the write, oldest first

    ReconnectBackoff backoff;  // when a maintained connection may connect again

    // A blocking connect in progress, watched by the connection timer.
    bool checkForTimeout = false;
    int64_t connectionStarted = 0;  // tick count
    int64_t connectionTimeout = 0;  // ms
    bool timedOut = false;

    // The element carrying the connection; null once the connection manager
    // has detached it, after which the connection reads as closed and drops
    // whatever it is asked to send.
    platform::SocketControl* sck() const { return sck_; }
    platform::SocketState state() const;
    void detach();

    // Writes the packet now, or queues it behind the write in progress. A
    // connection that is not connected drops it.
    void Send(const std::shared_ptr<clsPendingPkt>& Pend);
    // A copy of a packet flooded to every connection: dropped for this one
    // while its queue is over the relay's soft mark, so that a peer that
    // stops reading neither swells the node nor pauses the connection the
    // flood came from; the flood still reaches every other connection.
    void sendFloodCopy(const std::shared_ptr<clsPendingPkt>& Pend);
    // Hands the packet to the control. A write the control refuses is
    // reported and leaves the connection free to write the next one.
    void sendPending(const std::shared_ptr<clsPendingPkt>& Pend);

    // A write in progress has made no progress for a few of the session's
    // Timeouts, as two passes of the connection timer in a row see it (see
    // StallWatch): the peer has stopped reading, and the connection is
    // closed as if by the peer.
    void closeIfStalled(int64_t nowMs);

    // The control has written the last packet out: a file chunk is handed
    // to the transfer engine (which may send the next one), then the next
    // waiting packet is written.
    void sendComplete();
    // Reads every byte waiting in the control into the stream being received.
    void dataArrival(int64_t bytesWaiting);
    // An outgoing connect has completed: raises connectionEstab (once) and,
    // when the session announces itself, sends this node's information.
    void connectionEstab();
    // Closes the connection (once), raises connectionClosed and lets the
    // transfers that rode it settle; a maintained connection is reconnected
    // unless its session is disconnecting. A close
    // the node asks for (`userInitiated`) is never reconnected, and also
    // stops a connect still in progress.
    void closeConnection(bool userInitiated);
    // The peer's side has ended (closed, reset, failed): the complete packets
    // it sent before are handled first, even those held back for want of
    // room or by a relay, and the connection is closed once they are.
    void peerEnded();

    // Forgets what was being received and written: the stream starts afresh
    // and nothing is left marked as in progress, held or holding.
    void resetStreams();

    // Back-pressure of a relay (see ReadHolds): the connection `holderID`,
    // whose queue of packets relayed from this one towards their destination
    // is full (copies of a flood are dropped instead), holds this one's
    // reading until it releases it.
    void holdReading(const std::string& holderID);
    void releaseReading(const std::string& holderID);
    bool readingHeld() const { return readHolds_.held(); }
    // Bytes handed to the connection and not yet written.
    int64_t queuedBytes() const { return queued_.bytes(); }
    // Packets wait in the stream for the handling of packets to have room
    // (see ReceiveNesting), which sets and clears the mark.
    bool waitingForRoom = false;
    // Whether the stream holds text not yet cut into packets.
    bool hasWaitingText() const { return incoming.bufferedBytes() > 0; }
    // Hands on the packets waiting in the stream, in the connection's own
    // session, as far as there is room; whether it handed on any.
    bool handleWaitingPackets();

  private:
    platform::SocketControl* sck_;
    QueueMarks queued_;
    ReadHolds readHolds_;
    std::string arrival_;            // the bytes of the arrival being taken in
    bool closeWhenHandled_ = false;  // the peer has ended: close once its packets are handled

    StallWatch stallWatch_;

    template <class Work>
    void inSessionFrame(Work&& work);
    // Queues the packet for writing; a forwarded packet over the soft mark
    // holds its arrival connection back when `holdsSource`.
    void queueForWrite(const std::shared_ptr<clsPendingPkt>& Pend, bool holdsSource);
    int64_t stallBoundMs() const;
    void closeControl();
    void writeNextWaiting();
    void holdSourceOf(const clsPendingPkt& forwarded);
    void releaseWhenDrained();
    void closeForGoneSession();
    bool carriedFileChunk() const;
    void paceUpload(Session& own);
    void receive();
    bool handleBuffered();
    void closeIfPeerEnded();
    void watchUnfinishedHeader();
    bool reportFramingErrors();

    std::shared_ptr<ConnectionServices> services_;
    bool reportingFramingErrors_ = false;
};

// Sets the current session's `connected`: whether one of its connections is connected.
void updateConnectedState();

}  // namespace qel
