#include "pending_connections.h"

#include "accept_gate.h"
#include "ipv4_address.h"
#include "socket_disposal.h"

#include <algorithm>
#include <utility>

namespace platform {

class PendingConnections::Held {
  public:
    Held(const QObject* listener, QObjectPtr<QTcpSocket> socket) : listener_(listener) {
        connection_.peerIp = dottedIPv4(socket->peerAddress());
        connection_.peerPort = socket->peerPort();
        connection_.localPort = socket->localPort();
        connection_.socket = std::move(socket);
        QTcpSocket* held = connection_.socket.get();
        QObject::connect(held, &QIODevice::readyRead, &wiring_, [this] { drain(); });
        QObject::connect(held, &QAbstractSocket::disconnected, &wiring_,
                         [this] { notePeerClose(); });
        QObject::connect(held, &QAbstractSocket::errorOccurred, &wiring_,
                         [this] { notePeerClose(); });
        drain();
    }

    ~Held() {
        if (connection_.socket) {
            unwire();
            disposeStream(std::move(connection_.socket));
        }
    }

    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

    const QObject* listener() const { return listener_; }

    AcceptedConnection release() {
        unwire();
        drain();
        return std::move(connection_);
    }

  private:
    // Unbuffered, the socket learns of its peer's close only from a read.
    void drain() {
        QTcpSocket& socket = *connection_.socket;
        if (socket.state() != QAbstractSocket::ConnectedState) {
            return;
        }
        const QByteArray bytes = socket.read(std::max<qint64>(socket.bytesAvailable(), 1));
        connection_.received.append(bytes.constData(), static_cast<size_t>(bytes.size()));
        if (socket.state() != QAbstractSocket::ConnectedState) {
            connection_.peerClosed = true;
        }
    }

    void notePeerClose() {
        drain();
        connection_.peerClosed = true;
    }

    void unwire() { QObject::disconnect(connection_.socket.get(), nullptr, &wiring_, nullptr); }

    const QObject* listener_;
    AcceptedConnection connection_;
    QObject wiring_;  // receiver of the signal connections to the socket
};

PendingConnections& PendingConnections::instance() {
    static PendingConnections connections;
    return connections;
}

PendingConnections::PendingConnections() {
    AcceptGate::instance();  // made first, so it outlives the connections held here
}
PendingConnections::~PendingConnections() = default;

int64_t PendingConnections::hold(const QObject* listener, QObjectPtr<QTcpSocket> socket) {
    const int64_t requestId = ++lastRequestId_;
    held_.emplace(requestId, std::make_unique<Held>(listener, std::move(socket)));
    return requestId;
}

std::optional<AcceptedConnection> PendingConnections::take(int64_t requestId) {
    const auto found = held_.find(requestId);
    if (found == held_.end()) {
        return std::nullopt;
    }
    AcceptedConnection connection = found->second->release();
    held_.erase(found);
    return connection;
}

void PendingConnections::refuse(int64_t requestId) {
    held_.erase(requestId);
}

void PendingConnections::refuseAll(const QObject* listener) {
    std::erase_if(held_,
                  [listener](const auto& entry) { return entry.second->listener() == listener; });
}

}  // namespace platform
