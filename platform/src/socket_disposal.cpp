#include "socket_disposal.h"

#include <QCoreApplication>
#include <QTimer>

namespace platform {

void disposeStream(QObjectPtr<QTcpSocket> socket) {
    if (!socket) {
        return;
    }
    QCoreApplication* application = QCoreApplication::instance();
    if (socket->state() != QAbstractSocket::ConnectedState || application == nullptr) {
        socket->abort();
        return;
    }
    // From here the application object owns it until one of the deleteLater()
    // calls below runs.
    QTcpSocket* flushing = socket.release();
    flushing->setParent(application);
    QObject::connect(flushing, &QAbstractSocket::disconnected, flushing, &QObject::deleteLater);
    QTimer::singleShot(kFlushBoundMs, Qt::PreciseTimer, flushing, [flushing] {
        flushing->abort();
        flushing->deleteLater();
    });
    flushing->disconnectFromHost();  // may emit disconnected at once
    if (flushing->state() == QAbstractSocket::UnconnectedState) {
        flushing->deleteLater();
    }
}

}  // namespace platform
