#pragma once

#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <variant>

namespace platform {

// What a control has to report, as its Qt objects signalled it.
namespace socket_event {
struct HostResolved {};
struct Connected {
    std::string peerIp;
    int peerPort = 0;
    int localPort = 0;
};
struct ConnectionRequest {
    int64_t requestId = 0;
    std::string peerIp;
};
struct DataArrival {};  // TCP: bytes wait in the control's buffer
struct Datagram {
    std::string bytes;
    std::string senderIp;
};
struct SendProgress {
    int64_t sent = 0;
    int64_t remaining = 0;
};
struct SendComplete {};
struct PeerClosed {};
struct Failed {
    int number = 0;
};
}  // namespace socket_event

using SocketEvent =
    std::variant<socket_event::HostResolved, socket_event::Connected,
                 socket_event::ConnectionRequest, socket_event::DataArrival, socket_event::Datagram,
                 socket_event::SendProgress, socket_event::SendComplete, socket_event::PeerClosed,
                 socket_event::Failed>;

// One control's events, first in first out. Each event is delivered by its
// own queued call from the event loop, never from push(); so a handler that
// lets events run inside a wait still gets the later events of its control.
class SocketEventQueue {
  public:
    using Deliver = std::function<void(SocketEvent&)>;

    explicit SocketEventQueue(Deliver deliver);

    void push(SocketEvent event);
    // Drops every event not yet delivered.
    void clear();

  private:
    void deliver(uint64_t sequence);

    // Receives the queue's posted calls (one small event each, where a
    // queued functor call would cost two allocations); they go with it.
    class Receiver : public QObject {
      public:
        explicit Receiver(SocketEventQueue& queue) : queue_(queue) {}
        bool event(QEvent* event) override;

      private:
        SocketEventQueue& queue_;
    };

    struct Queued {
        uint64_t sequence;
        SocketEvent event;
    };
    Deliver deliver_;
    std::deque<Queued> events_;
    uint64_t lastSequence_ = 0;
    Receiver receiver_{*this};
};

}  // namespace platform
