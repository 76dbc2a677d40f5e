#include "socket_event_queue.h"

#include <QMetaObject>

namespace platform {

SocketEventQueue::SocketEventQueue(Deliver deliver) : deliver_(std::move(deliver)) {}

void SocketEventQueue::push(SocketEvent event) {
    const uint64_t sequence = ++lastSequence_;
    events_.push_back({sequence, std::move(event)});
    QMetaObject::invokeMethod(
        &context_, [this, sequence] { deliver(sequence); }, Qt::QueuedConnection);
}

void SocketEventQueue::clear() {
    events_.clear();
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
