// Two cQEL nodes of one process on loopback: ping round trips per second and
// MSG packets per second (with small and larger bodies), each beside a plain
// POSIX TCP echo or stream of the same packet sizes in the same run, and the
// ratios between them.
#include "fields.h"
#include "identifiers.h"
#include "wire_format.h"

#include "platform/event_loop.h"
#include "platform/socket_control.h"
#include "qellib/events.h"
#include "qellib/qel.h"
#include "qellib/settings.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPings = 3000;
constexpr int kMessages = 50000;
constexpr int kInFlight = 256;  // messages sent and not yet received before the sender waits

double perSecond(int64_t count, Clock::duration took) {
    return static_cast<double>(count) / std::chrono::duration<double>(took).count();
}

class Counter : public qel::cQELEvents {
  public:
    void MessageReceived(std::string&, std::string&, std::string&) override { ++messages; }
    int64_t messages = 0;
};

// The text of a packet as a node writes it, with the fields sendPacket adds.
size_t wireSize(const std::string& method, const std::string& body, bool withType) {
    qel::clsPacket packet;
    packet.Method = method;
    if (withType) {
        qel::AddField(packet, "Type", "bench");
    }
    qel::AddField(packet, "Destination", qel::newID());
    if (!withType) {
        qel::AddField(packet, "ReqID", qel::newID());
    }
    for (const char* name : {"Source", "ID"}) {
        qel::AddField(packet, name, qel::newID());
    }
    qel::AddField(packet, "TTL", "20");
    qel::AddField(packet, "Hops", "0");
    if (!body.empty()) {
        qel::AddField(packet, "Content-Length", std::to_string(body.size()));
    }
    packet.Data = body;
    return qel::writePacket(packet).size();
}

void checked(bool ok, const char* what) {
    if (!ok) {
        std::perror(what);
        std::exit(1);
    }
}

sockaddr_in loopback() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A TCP port of 127.0.0.1 that nothing is bound to at the moment.
int freeLoopbackPort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback();
    socklen_t length = sizeof(address);
    checked(::bind(probe, reinterpret_cast<sockaddr*>(&address), length) == 0, "bind");
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

struct Nodes {
    std::shared_ptr<Counter> eventsA = std::make_shared<Counter>();
    std::shared_ptr<Counter> eventsB = std::make_shared<Counter>();
    qel::cQEL a{eventsA};
    qel::cQEL b{eventsB};
    std::string idA = qel::newID();
    std::string idB = qel::newID();

    // B connects to A, which learns B from B's announcement.
    bool link() {
        const auto settings = [](const std::string& id) {
            qel::cSettings s;
            s.SaveSetting("nodeID", id);
            return s.getXML();
        };
        const int port = freeLoopbackPort();
        a.Initialise("A", port, qel::role_Peer, "BENCH", {}, settings(idA));
        b.Initialise("B", freeLoopbackPort(), qel::role_Peer, "BENCH", {}, settings(idB));
        if (!a.Listen() || b.Connect("127.0.0.1:" + std::to_string(port)).empty()) {
            return false;
        }
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(3);
        while (Clock::now() < deadline) {
            if (!a.getNodeInfo(idB, true).front().ID.empty()) {
                return true;
            }
            platform::waitEvents(10);
        }
        return false;
    }
};

Clock::duration pingNodes(Nodes& nodes) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kPings; ++i) {
        if (nodes.a.Ping(nodes.idB, 2000) < 0) {
            std::fprintf(stderr, "a ping got no answer\n");
            std::exit(1);
        }
    }
    return Clock::now() - start;
}

Clock::duration messageNodes(Nodes& nodes, const std::string& body) {
    const int64_t before = nodes.eventsA->messages;
    const Clock::time_point start = Clock::now();
    for (int sent = 0; sent < kMessages; ++sent) {
        while (sent - (nodes.eventsA->messages - before) >= kInFlight) {
            platform::waitEvents(1);
        }
        nodes.b.sendMessage(body, nodes.idA, "bench");
    }
    while (nodes.eventsA->messages - before < kMessages) {
        platform::waitEvents(1);
    }
    return Clock::now() - start;
}

// A connected pair of loopback TCP sockets without Nagle's delay.
struct PosixPair {
    int writer = -1;
    int reader = -1;

    PosixPair() {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = loopback();
        socklen_t length = sizeof(address);
        checked(::bind(listener, reinterpret_cast<sockaddr*>(&address), length) == 0, "bind");
        checked(::listen(listener, 1) == 0, "listen");
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        writer = ::socket(AF_INET, SOCK_STREAM, 0);
        checked(::connect(writer, reinterpret_cast<sockaddr*>(&address), length) == 0, "connect");
        reader = ::accept(listener, nullptr, nullptr);
        checked(reader >= 0, "accept");
        ::close(listener);
        const int on = 1;
        ::setsockopt(writer, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
        ::setsockopt(reader, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    }
    ~PosixPair() {
        ::close(writer);
        ::close(reader);
    }
    PosixPair(const PosixPair&) = delete;
    PosixPair& operator=(const PosixPair&) = delete;

    static void sendAll(int fd, const std::string& bytes) {
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            checked(n > 0, "send");
            done += static_cast<size_t>(n);
        }
    }
    static void receiveExactly(int fd, std::string& buffer, size_t size) {
        buffer.resize(size);
        for (size_t done = 0; done < size;) {
            const ssize_t n = ::recv(fd, buffer.data() + done, size - done, 0);
            checked(n > 0, "recv");
            done += static_cast<size_t>(n);
        }
    }
};

// Echoes: a request of `requestSize` bytes one way, an answer of `answerSize` back.
Clock::duration posixEcho(size_t requestSize, size_t answerSize) {
    PosixPair pair;
    const std::string request(requestSize, 'q');
    const std::string answer(answerSize, 'a');
    std::string buffer;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kPings; ++i) {
        PosixPair::sendAll(pair.writer, request);
        PosixPair::receiveExactly(pair.reader, buffer, requestSize);
        PosixPair::sendAll(pair.reader, answer);
        PosixPair::receiveExactly(pair.writer, buffer, answerSize);
    }
    return Clock::now() - start;
}

// Streams kMessages packets of `packetSize` bytes with at most kInFlight of
// them unread, as the nodes are paced.
Clock::duration posixStream(size_t packetSize) {
    PosixPair pair;
    const std::string packet(packetSize, 'm');
    std::string buffer;
    const Clock::time_point start = Clock::now();
    for (int sent = 0; sent < kMessages; sent += kInFlight) {
        const int batch = std::min(kInFlight, kMessages - sent);
        for (int i = 0; i < batch; ++i) {
            PosixPair::sendAll(pair.writer, packet);
        }
        PosixPair::receiveExactly(pair.reader, buffer, packetSize * static_cast<size_t>(batch));
    }
    return Clock::now() - start;
}

void report(const char* what, const char* unit, double nodes, double posix) {
    std::printf("%-28s nodes %10.0f %s   POSIX %10.0f %s   ratio %6.3f\n", what, nodes, unit, posix,
                unit, nodes / posix);
}

}  // namespace

int main(int argc, char** argv) {
    platform::preferPlainEventDispatcher();  // as the program and the test node run
    QCoreApplication application(argc, argv);
    platform::setBindAddress("127.0.0.1");
    Nodes nodes;
    if (!nodes.link()) {
        std::fprintf(stderr, "the two nodes could not connect (ports 23791, 23792)\n");
        return 1;
    }

    const size_t pingSize = wireSize("PING", {}, false);
    const size_t pongSize = wireSize("PONG", {}, false);
    report("ping round trips", "/s", perSecond(kPings, pingNodes(nodes)),
           perSecond(kPings, posixEcho(pingSize, pongSize)));
    for (const size_t bodySize : {size_t{64}, size_t{4096}}) {
        const std::string body(bodySize, 'b');
        const std::string label = "MSG packets, " + std::to_string(bodySize) + " byte body";
        report(label.c_str(), "/s", perSecond(kMessages, messageNodes(nodes, body)),
               perSecond(kMessages, posixStream(wireSize("MSG", body, true))));
    }
    std::printf("(%d pings of %zu/%zu bytes; %d messages each, at most %d in flight)\n", kPings,
                pingSize, pongSize, kMessages, kInFlight);
    return 0;
}
