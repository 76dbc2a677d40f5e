#include "socket_event_queue.h"

#include <QCoreApplication>
#include <QEvent>

namespace platform {
namespace {

// The call that delivers the event of `sequence`.
class DeliveryCall : public QEvent {
  public:
    explicit DeliveryCall(uint64_t sequence) : QEvent(type()), sequence(sequence) {}

    static QEvent::Type type() {
        static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
        return registered;
    }

    const uint64_t sequence;
};

}  // namespace

SocketEventQueue::SocketEventQueue(Deliver deliver) : deliver_(std::move(deliver)) {}

void SocketEventQueue::push(SocketEvent event) {
    const uint64_t sequence = ++lastSequence_;
    events_.push_back({sequence, std::move(event)});
    QCoreApplication::postEvent(&receiver_, new DeliveryCall(sequence));  // owned by Qt
}

void SocketEventQueue::clear() {
    events_.clear();
}

bool SocketEventQueue::Receiver::event(QEvent* event) {
    if (event->type() != DeliveryCall::type()) {
        return QObject::event(event);
    }
    queue_.deliver(static_cast<DeliveryCall*>(event)->sequence);
    return true;
}

void SocketEventQueue::deliver(uint64_t sequence) {
    // Calls run in the order of their pushes, so the front is this call's
    // event unless clear() dropped it.
    if (events_.empty() || events_.front().sequence != sequence) {
        return;
    }
    SocketEvent event = std::move(events_.front().event);
    events_.pop_front();
    deliver_(event);
}

}  // namespace platform
