#include "receive_nesting.h"

#include "connection.h"
#include "library_state.h"

#include <string>

namespace qel {

namespace {
// Holds a connection's reading while its packets wait for room, so the peer
// is held back by its own connection's window rather than filling the stream.
const std::string NestingHolder = "\x01nesting";
}  // namespace

ReceiveNesting::Level::Level(ReceiveNesting& nesting, clsSocket& connection) : nesting_(nesting) {
    nesting_.handling_.push_back(&connection);
}

ReceiveNesting::Level::~Level() {
    nesting_.handling_.pop_back();
}

void ReceiveNesting::hold(const std::shared_ptr<clsSocket>& connection) {
    if (!connection->waitingForRoom) {
        connection->waitingForRoom = true;
        connection->holdReading(NestingHolder);
        held_.push_back(connection);
    }
}

bool ReceiveNesting::resumeWaiting() {
    bool handled = false;
    // Each held connection leaves the list before it goes on, so a pass
    // nested inside its handling sees the others.
    while (!held_.empty() && roomForOneMore()) {
        const std::shared_ptr<clsSocket> connection = held_.front().lock();
        held_.pop_front();
        // A connection closed meanwhile has nothing left waiting.
        if (connection && connection->waitingForRoom) {
            connection->waitingForRoom = false;
            connection->releaseReading(NestingHolder);
            handled = connection->handleWaitingPackets() || handled;
        }
    }
    // Deeper levels come and go inside each call; the ones below stay.
    for (size_t level = 0; level < handling_.size() && roomForOneMore(); ++level) {
        clsSocket& connection = *handling_[level];
        if (connection.hasWaitingText()) {
            const std::shared_ptr<clsSocket> alive = connection.shared_from_this();
            handled = connection.handleWaitingPackets() || handled;
        }
    }
    return handled;
}

bool handlingPacket() {
    return library().receiveNesting.depth() > 0;
}

}  // namespace qel
