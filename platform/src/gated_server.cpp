#include "gated_server.h"

#include "accept_gate.h"

#include <QTcpSocket>

#include <unistd.h>

#include <memory>

namespace platform {

GatedServer::GatedServer() {
    AcceptGate::instance().addListener(*this);
    // Out of descriptors (the process's files and outgoing connections took
    // them): Qt would try again at once for as long as it lasts.
    QObject::connect(this, &QTcpServer::acceptError, this,
                     [this] { AcceptGate::instance().listenerStarved(*this); });
}

GatedServer::~GatedServer() {
    AcceptGate::instance().removeListener(*this);
}

void GatedServer::incomingConnection(qintptr descriptor) {
    auto socket = std::make_unique<QTcpSocket>(this);
    if (!socket->setSocketDescriptor(descriptor, QAbstractSocket::ConnectedState,
                                     QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        ::close(static_cast<int>(descriptor));
        return;
    }
    if (AcceptGate::instance().admit(*socket)) {
        addPendingConnection(socket.release());  // owned by the server, as Qt's own
    }
    // Otherwise the socket goes here, and the peer sees its connection closed.
}

}  // namespace platform
