#pragma once

#include "qobject_ptr.h"

#include <QTcpSocket>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// A connection the system accepted for a listener, as the control that
// accepts its request receives it.
struct AcceptedConnection {
    QObjectPtr<QTcpSocket> socket;
    std::string received;  // bytes that arrived before the accept
    bool peerClosed = false;
    std::string peerIp;
    int peerPort = 0;
    int localPort = 0;
};

// Connections taken from listeners and held (reading, and noting a peer
// close) until a control accepts their request or the request is refused.
// Request IDs are process-wide, as any control may accept any request.
class PendingConnections {
  public:
    static PendingConnections& instance();

    PendingConnections();
    ~PendingConnections();
    PendingConnections(const PendingConnections&) = delete;
    PendingConnections& operator=(const PendingConnections&) = delete;

    // Holds `socket` for `listener`; returns its request ID.
    int64_t hold(const QObject* listener, QObjectPtr<QTcpSocket> socket);
    // Hands over a held connection; nothing when `requestId` is not held.
    std::optional<AcceptedConnection> take(int64_t requestId);
    // Closes a held connection (the peer sees it closed).
    void refuse(int64_t requestId);
    void refuseAll(const QObject* listener);

  private:
    class Held;
    std::map<int64_t, std::unique_ptr<Held>> held_;
    int64_t lastRequestId_ = 0;
};

}  // namespace platform
