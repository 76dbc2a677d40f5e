#include "platform/socket_control.h"

#include "gated_server.h"
#include "ipv4_address.h"
#include "pending_connections.h"
#include "qobject_ptr.h"
#include "socket_disposal.h"
#include "socket_errors.h"
#include "socket_event_queue.h"
#include "udp_send_hook.h"

#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <utility>

namespace platform {
namespace {

// Streams are asked to be unbuffered: a write goes to the system at once (Qt
// keeps only what the system does not take yet) and reads come from the
// system, so the bytes are not copied through Qt's buffers on the way. Qt
// honours it for the connections we open; those a listener accepts stay
// buffered (Qt reads them into its own buffer, whatever the open mode says),
// which sendStream and drainStream handle apart.
constexpr QIODevice::OpenMode UnbufferedStream = QIODevice::ReadWrite | QIODevice::Unbuffered;

// What an unbuffered stream reads at once, and what Qt may hold read of a
// buffered one: big enough for few system calls, small enough that the bytes
// are still in the processor's cache when they are framed, and a stream that
// is not read holds its peer back through the system's window. Pieces of 64
// KiB to 1 MiB moved a 1 GiB download alike, but a stream of 256 KiB packets
// between two nodes of one process ran at half speed below 1 MiB.
constexpr qint64 ReadPieceBytes = 1024 * 1024;

void requirePort(int port) {
    if (port < 0 || port > 65535) {
        throw socketError(sockerr::InvalidPort);
    }
}

QHostAddress boundAddress() {
    return QHostAddress(QString::fromStdString(bindAddress()));
}

}  // namespace

// Qt signals only fill the control's buffers and queue events; the state and
// the properties a handler reads change when the event is delivered.
struct SocketControl::Impl {
    Impl(SocketControl& owner, SocketEvents* events, int index)
        : owner(owner), events(events), index(index), queue([this](SocketEvent& event) {
              std::visit([this](auto& kind) { deliver(kind); }, event);
          }) {
        PendingConnections::instance();  // made first, so it outlives every control
    }

    ~Impl() { newGeneration(); }

    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    SocketControl& owner;
    SocketEvents* events;
    const int index;
    SocketProtocol protocol = SocketProtocol::Tcp;
    SocketState state = SocketState::Closed;
    int localPort = 0;
    std::string remoteHost;
    int remotePort = 0;
    std::string remoteHostIP;

    // The Qt object of the current generation (at most one is set), and the
    // receiver of every signal connection made to it.
    QObjectPtr<QTcpSocket> stream;
    QObjectPtr<QTcpServer> server;
    QObjectPtr<QUdpSocket> udp;
    QObject wiring;

    std::string received;  // TCP: bytes not yet taken by getData()
    std::string datagram;  // UDP: the datagram of the DataArrival being handled
    bool dataArrivalQueued = false;
    bool readPaused = false;
    bool resumeArrivalDue = false;  // a DataArrival to deliver though nothing new came
    bool qtBuffers = false;         // accepted: Qt reads into its own buffer, and writes through it
                                    // unless we hand the bytes to the system first
    bool streamUp = false;          // Qt has reported the connection established
    bool streamDown = false;        // a peer close or a failure has been queued
    SocketEventQueue queue;

    // --- checks ---

    void requireProtocol(SocketProtocol wanted) const {
        if (protocol != wanted) {
            throw socketError(sockerr::WrongState);
        }
    }

    void requireState(SocketState wanted) const {
        if (state != wanted) {
            throw socketError(sockerr::WrongState);
        }
    }

    // --- generations ---

    // Drops the events still queued and lets go of the Qt objects of the
    // current generation; a connection still flushes what it was given.
    void newGeneration() {
        queue.clear();
        if (stream) {
            QObject::disconnect(stream.get(), nullptr, &wiring, nullptr);
            disposeStream(std::move(stream));
        }
        if (server) {
            QObject::disconnect(server.get(), nullptr, &wiring, nullptr);
            PendingConnections::instance().refuseAll(server.get());
            server->close();
            server.reset();
        }
        if (udp) {
            QObject::disconnect(udp.get(), nullptr, &wiring, nullptr);
            udp->abort();
            udp.reset();
        }
        received.clear();
        datagram.clear();
        dataArrivalQueued = false;
        readPaused = false;
        resumeArrivalDue = false;
        qtBuffers = false;
        streamUp = false;
        streamDown = false;
    }

    void close() {
        newGeneration();
        state = SocketState::Closed;
    }

    // --- TCP connections ---

    void connect(const std::string& host, int port) {
        requireProtocol(SocketProtocol::Tcp);
        requirePort(port);
        requireState(SocketState::Closed);
        newGeneration();
        remoteHost = host;
        remotePort = port;
        stream = makeQObject<QTcpSocket>();
        wireStream();
        state = parseIPv4(host) ? SocketState::Connecting : SocketState::Resolving;
        if (!bindOutgoing()) {
            return;
        }
        // May signal a failure at once; it is queued like any other.
        stream->connectToHost(QString::fromStdString(host), static_cast<quint16>(port),
                              UnbufferedStream, QAbstractSocket::IPv4Protocol);
    }

    // A process bound to one address also connects from it (any free port),
    // so its peers see the address it listens on. A bind that fails ends
    // the connect with its error, queued like any other.
    bool bindOutgoing() {
        const QHostAddress local = boundAddress();
        if (local == QHostAddress(QHostAddress::AnyIPv4) || stream->bind(local, 0)) {
            return true;
        }
        streamEnded(stream->error());
        return false;
    }

    void accept(int64_t requestId) {
        requireProtocol(SocketProtocol::Tcp);
        requireState(SocketState::Closed);
        std::optional<AcceptedConnection> connection =
            PendingConnections::instance().take(requestId);
        if (!connection) {
            throw socketError(sockerr::InvalidArgument);
        }
        newGeneration();
        stream = std::move(connection->socket);
        wireStream();
        qtBuffers = true;
        stream->setReadBufferSize(ReadPieceBytes);
        streamUp = true;
        state = SocketState::Connected;
        remoteHostIP = connection->peerIp;
        remotePort = connection->peerPort;
        localPort = connection->localPort;
        received = std::move(connection->received);
        if (!received.empty()) {
            queueDataArrival();
        }
        drainStream();
        if (connection->peerClosed || stream->state() == QAbstractSocket::UnconnectedState) {
            streamDown = true;
            queue.push(socket_event::PeerClosed{});
        }
    }

    void wireStream() {
        QTcpSocket* socket = stream.get();
        QObject::connect(socket, &QAbstractSocket::hostFound, &wiring,
                         [this] { queue.push(socket_event::HostResolved{}); });
        QObject::connect(socket, &QAbstractSocket::connected, &wiring,
                         [this] { streamConnected(); });
        QObject::connect(socket, &QIODevice::readyRead, &wiring, [this] { drainStream(); });
        QObject::connect(socket, &QIODevice::bytesWritten, &wiring,
                         [this](qint64 sent) { streamWrote(sent); });
        QObject::connect(socket, &QAbstractSocket::errorOccurred, &wiring,
                         [this](QAbstractSocket::SocketError error) { streamFailed(error); });
        QObject::connect(socket, &QAbstractSocket::disconnected, &wiring,
                         [this] { streamDisconnected(); });
    }

    void streamConnected() {
        streamUp = true;
        queue.push(socket_event::Connected{dottedIPv4(stream->peerAddress()), stream->peerPort(),
                                           stream->localPort()});
    }

    // Qt does not signal readyRead again while a slot of it runs, so the
    // bytes are taken at once and the handler runs later, from the queue.
    // An unbuffered stream is read straight into the bytes waiting for
    // getData(), at least one byte asked for: it learns that its peer has
    // closed only from a read that fails, which Qt does not signal.
    void drainStream(bool evenPaused = false) {
        if (readPaused && !evenPaused) {
            return;
        }
        // Qt keeps what it read of a buffered stream after the peer's close:
        // the peer's last word, still to be taken.
        if (stream->state() != QAbstractSocket::ConnectedState &&
            !(qtBuffers && stream->bytesAvailable() > 0)) {
            return;
        }
        // What is left of an unbuffered stream signals again; Qt's buffer
        // of a buffered one holds no more than one piece.
        const qint64 wanted = std::clamp<qint64>(stream->bytesAvailable(), 1, ReadPieceBytes);
        if (qtBuffers) {
            // Qt hands over a block of its own buffer read whole without
            // copying it: the bytes are copied once, where a read into
            // `received` would first clear the room for them.
            const QByteArray bytes = stream->read(wanted);
            received.append(bytes.constData(), static_cast<size_t>(bytes.size()));
            if (!bytes.isEmpty()) {
                queueDataArrival();
            }
            return;
        }
        const size_t held = received.size();
        received.resize(held + static_cast<size_t>(wanted));
        const qint64 read = stream->read(received.data() + held, wanted);
        received.resize(held + static_cast<size_t>(std::max<qint64>(read, 0)));
        if (read > 0) {
            queueDataArrival();
        } else if (read < 0) {
            streamEnded(stream->error());
        }
    }

    // While paused nothing is read: a buffered stream's own buffer fills up to
    // its bound and Qt stops reading, an unbuffered one is left to the system.
    void setReadPaused(bool paused) {
        requireProtocol(SocketProtocol::Tcp);
        if (!stream || paused == readPaused) {
            return;
        }
        readPaused = paused;
        if (paused) {
            return;
        }
        drainStream();
        resumeArrivalDue = true;
        queueDataArrival();
    }

    // One DataArrival stands for every byte that arrives before it is
    // delivered; its handler reads them all.
    void queueDataArrival() {
        if (!dataArrivalQueued) {
            dataArrivalQueued = true;
            queue.push(socket_event::DataArrival{});
        }
    }

    void streamWrote(qint64 sent) {
        const int64_t remaining = stream->bytesToWrite();
        queue.push(socket_event::SendProgress{sent, remaining});
        if (remaining == 0) {
            queue.push(socket_event::SendComplete{});
        }
    }

    void streamFailed(QAbstractSocket::SocketError error) {
        drainStream(true);  // what came before the failure is the peer's last word
        streamEnded(error);
    }

    void streamEnded(QAbstractSocket::SocketError error) {
        if (streamDown) {
            return;
        }
        streamDown = true;
        if (streamUp && error == QAbstractSocket::RemoteHostClosedError) {
            queue.push(socket_event::PeerClosed{});
        } else {
            queue.push(socket_event::Failed{socketErrorNumber(error)});
        }
    }

    void streamDisconnected() {
        drainStream(true);
        if (streamUp && !streamDown) {
            streamDown = true;
            queue.push(socket_event::PeerClosed{});
        }
    }

    void sendStream(std::string_view header, std::string_view body) {
        requireState(SocketState::Connected);
        if (streamDown) {
            throw socketError(sockerr::ConnectionAborted);  // its end is queued already
        }
        const auto size = static_cast<qint64>(header.size() + body.size());
        if (size == 0) {
            if (stream->bytesToWrite() == 0) {
                queue.push(socket_event::SendComplete{});
            }
            return;
        }
        const qint64 waitingBefore = stream->bytesToWrite();
        // With nothing waiting in Qt, the bytes go straight to the system,
        // both pieces in one call: an unbuffered stream would write them at
        // once anyway, and a buffered one would copy them into its buffer
        // first. Qt keeps only what the system does not take.
        size_t gathered = 0;
        if (waitingBefore == 0) {
            const std::optional<size_t> taken = sendGathered(header, body);
            if (!taken) {
                writeFailed(QAbstractSocket::RemoteHostClosedError);
            }
            gathered = *taken;
        }
        for (std::string_view piece : {header, body}) {
            const size_t skipped = std::min(gathered, piece.size());
            gathered -= skipped;
            piece.remove_prefix(skipped);
            const auto length = static_cast<qint64>(piece.size());
            if (length > 0 && stream->write(piece.data(), length) != length) {
                writeFailed(stream->error());
            }
        }
        // An unbuffered stream hands what the system takes at once straight
        // to it, without a bytesWritten signal: that part is reported here.
        // Qt keeps the rest and signals it once written.
        const qint64 waiting = stream->bytesToWrite();
        const qint64 handedOver = size - (waiting - waitingBefore);
        if (handedOver > 0) {
            queue.push(socket_event::SendProgress{handedOver, waiting});
            if (waiting == 0) {
                queue.push(socket_event::SendComplete{});
            }
        }
    }

    // A write the system refused ends the connection: Qt closes its side of
    // an unbuffered stream without a signal (its peer has reset it), so the
    // end is queued here, once, like any other.
    [[noreturn]] void writeFailed(QAbstractSocket::SocketError error) {
        streamEnded(error);
        throw socketError(sockerr::ConnectionAborted);
    }

    // Hands `header` and `body` to the system in one call, as far as it takes
    // them without waiting; what it took, nothing when the connection has
    // failed (reset by the peer, or its descriptor gone).
    std::optional<size_t> sendGathered(std::string_view header, std::string_view body) {
        const auto descriptor = static_cast<int>(stream->socketDescriptor());
        if (descriptor < 0) {
            return std::nullopt;
        }
        iovec pieces[2] = {{const_cast<char*>(header.data()), header.size()},  // never written
                           {const_cast<char*>(body.data()), body.size()}};
        msghdr message{};
        message.msg_iov = pieces;
        message.msg_iovlen = 2;
        ssize_t taken = -1;
        do {
            taken = ::sendmsg(descriptor, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        } while (taken < 0 && errno == EINTR);
        if (taken >= 0) {
            return static_cast<size_t>(taken);
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS) {
            return size_t{0};  // the system is full for now: Qt keeps the bytes
        }
        return std::nullopt;
    }

    // --- TCP listeners ---

    void listen() {
        requireProtocol(SocketProtocol::Tcp);
        requireState(SocketState::Closed);
        newGeneration();
        auto listener = makeQObject<GatedServer>();
        if (!listener->listen(boundAddress(), static_cast<quint16>(localPort))) {
            throw socketError(socketErrorNumber(listener->serverError()));
        }
        localPort = listener->serverPort();
        server = std::move(listener);
        QObject::connect(server.get(), &QTcpServer::newConnection, &wiring,
                         [this] { holdNewConnections(); });
        state = SocketState::Listening;
    }

    // The system has accepted these already; each is held until the handler
    // of its request returns.
    void holdNewConnections() {
        while (QTcpSocket* incoming = server->nextPendingConnection()) {
            std::string peerIp = dottedIPv4(incoming->peerAddress());
            const int64_t requestId =
                PendingConnections::instance().hold(server.get(), adoptQObject(incoming));
            queue.push(socket_event::ConnectionRequest{requestId, std::move(peerIp)});
        }
    }

    // --- UDP ---

    bool bind(int port) {
        requireProtocol(SocketProtocol::Udp);
        requireState(SocketState::Closed);
        if (port != 0) {
            requirePort(port);
            localPort = port;
        }
        newGeneration();
        return openUdp();
    }

    bool openUdp() {
        auto socket = makeQObject<QUdpSocket>();
        if (!socket->bind(boundAddress(), static_cast<quint16>(localPort),
                          QAbstractSocket::DontShareAddress)) {
            return false;
        }
        localPort = socket->localPort();
        udp = std::move(socket);
        QObject::connect(udp.get(), &QIODevice::readyRead, &wiring, [this] { drainDatagrams(); });
        state = SocketState::Open;
        return true;
    }

    void drainDatagrams() {
        while (udp->hasPendingDatagrams()) {
            QNetworkDatagram received = udp->receiveDatagram();
            if (!received.isValid()) {
                return;
            }
            const QByteArray bytes = received.data();
            queue.push(socket_event::Datagram{std::string(bytes.constData(), bytes.size()),
                                              dottedIPv4(received.senderAddress())});
        }
    }

    // A closed control binds its local port first, as a send from it would.
    void sendDatagram(const std::string& bytes) {
        if (const UdpSendHook* hook = udpSendHook()) {
            hook->record(UdpSend{remoteHost, remotePort, bytes});
            if (hook->suppress) {
                return;
            }
        }
        const QHostAddress destination = resolveIPv4(remoteHost);
        if (boundToLoopback() && !destination.isLoopback()) {
            return;  // a process kept on loopback (tests) never reaches a real network
        }
        if (state == SocketState::Closed) {
            newGeneration();
            if (!openUdp()) {
                throw socketError(sockerr::AddressInUse);
            }
        }
        requireState(SocketState::Open);
        const auto size = static_cast<qint64>(bytes.size());
        if (udp->writeDatagram(bytes.data(), size, destination, static_cast<quint16>(remotePort)) !=
            size) {
            throw socketError(socketErrorNumber(udp->error()));
        }
    }

    // --- delivery ---

    template <class Call>
    void raise(Call&& call) {
        if (events == nullptr) {
            return;
        }
        try {
            call(*events);
        } catch (...) {
            // A failing handler must not stop the delivery of later events.
        }
    }

    void deliver(socket_event::HostResolved&) {
        if (state == SocketState::Resolving) {
            state = SocketState::Connecting;
        }
    }

    void deliver(socket_event::Connected& event) {
        state = SocketState::Connected;
        remoteHostIP = event.peerIp;
        remotePort = event.peerPort;
        localPort = event.localPort;
        raise([this](SocketEvents& sink) { sink.onConnect(owner); });
    }

    void deliver(socket_event::ConnectionRequest& event) {
        remoteHostIP = event.peerIp;
        raise([&](SocketEvents& sink) { sink.onConnectionRequest(owner, event.requestId); });
        PendingConnections::instance().refuse(event.requestId);  // unless accepted meanwhile
    }

    void deliver(socket_event::DataArrival&) {
        dataArrivalQueued = false;
        if (received.empty() && !std::exchange(resumeArrivalDue, false)) {
            return;  // an earlier handler has read them
        }
        resumeArrivalDue = false;
        const auto waiting = static_cast<int64_t>(received.size());
        raise([&](SocketEvents& sink) { sink.onDataArrival(owner, waiting); });
    }

    void deliver(socket_event::Datagram& event) {
        datagram = std::move(event.bytes);
        remoteHostIP = event.senderIp;
        const auto size = static_cast<int64_t>(datagram.size());
        raise([&](SocketEvents& sink) { sink.onDataArrival(owner, size); });
    }

    void deliver(socket_event::SendProgress& event) {
        raise([&](SocketEvents& sink) { sink.onSendProgress(owner, event.sent, event.remaining); });
    }

    void deliver(socket_event::SendComplete&) {
        raise([this](SocketEvents& sink) { sink.onSendComplete(owner); });
    }

    void deliver(socket_event::PeerClosed&) {
        state = SocketState::PeerClosed;
        raise([this](SocketEvents& sink) { sink.onClose(owner); });
    }

    void deliver(socket_event::Failed& event) {
        state = SocketState::Error;
        const std::string text = socketErrorText(event.number);
        raise([&](SocketEvents& sink) { sink.onError(owner, event.number, text); });
    }
};

SocketControl::SocketControl(SocketEvents* events, int index)
    : impl_(std::make_unique<Impl>(*this, events, index)) {}

SocketControl::~SocketControl() = default;

void SocketControl::setEvents(SocketEvents* events) {
    impl_->events = events;
}

int SocketControl::index() const {
    return impl_->index;
}

SocketState SocketControl::state() const {
    return impl_->state;
}

SocketProtocol SocketControl::protocol() const {
    return impl_->protocol;
}

void SocketControl::setProtocol(SocketProtocol protocol) {
    impl_->requireState(SocketState::Closed);
    impl_->protocol = protocol;
}

int SocketControl::localPort() const {
    return impl_->localPort;
}

void SocketControl::setLocalPort(int port) {
    requirePort(port);
    impl_->localPort = port;
}

std::string SocketControl::remoteHost() const {
    return impl_->remoteHost;
}

void SocketControl::setRemoteHost(const std::string& host) {
    impl_->remoteHost = host;
}

int SocketControl::remotePort() const {
    return impl_->remotePort;
}

void SocketControl::setRemotePort(int port) {
    requirePort(port);
    impl_->remotePort = port;
}

std::string SocketControl::remoteHostIP() const {
    return impl_->remoteHostIP;
}

void SocketControl::connect(const std::string& host, int port) {
    impl_->connect(host, port);
}

void SocketControl::listen() {
    impl_->listen();
}

void SocketControl::accept(int64_t requestId) {
    impl_->accept(requestId);
}

bool SocketControl::bind(int port) {
    return impl_->bind(port);
}

void SocketControl::sendData(const std::string& bytes) {
    if (impl_->protocol == SocketProtocol::Udp) {
        impl_->sendDatagram(bytes);
    } else {
        impl_->sendStream(bytes, {});
    }
}

void SocketControl::sendData(std::string_view header, std::string_view body) {
    if (impl_->protocol == SocketProtocol::Udp) {
        std::string datagram;
        datagram.reserve(header.size() + body.size());
        datagram.append(header).append(body);
        impl_->sendDatagram(datagram);
    } else {
        impl_->sendStream(header, body);
    }
}

std::string SocketControl::getData() {
    return std::exchange(impl_->protocol == SocketProtocol::Udp ? impl_->datagram : impl_->received,
                         std::string());
}

void SocketControl::takeData(std::string& bytes) {
    bytes.clear();
    std::swap(bytes, impl_->protocol == SocketProtocol::Udp ? impl_->datagram : impl_->received);
}

int64_t SocketControl::bytesReceived() const {
    const std::string& waiting =
        impl_->protocol == SocketProtocol::Udp ? impl_->datagram : impl_->received;
    return static_cast<int64_t>(waiting.size());
}

void SocketControl::setReadPaused(bool paused) {
    impl_->setReadPaused(paused);
}

void SocketControl::close() {
    impl_->close();
}

}  // namespace platform
