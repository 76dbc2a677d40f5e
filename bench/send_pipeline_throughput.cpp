// Pushes 1 GiB of 256 KiB packets through sendPacket from one node to another
// over loopback, then the same bytes through a plain POSIX TCP socket pair
// on loopback, and prints both rates and their ratio.
#include "connection.h"
#include "connection_manager.h"
#include "core_connection_services.h"
#include "identifiers.h"
#include "library_state.h"
#include "send_pipeline.h"
#include "socket_host.h"

#include "platform/event_loop.h"
#include "platform/socket_control.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int64_t kPacketBody = 256 * 1024;
constexpr int64_t kTotal = int64_t{1} << 30;
constexpr int64_t kPackets = kTotal / kPacketBody;
constexpr size_t kQueued = 4;  // packets a connection may hold before the sender waits

double megabytesPerSecond(int64_t bytes, std::chrono::steady_clock::duration took) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0) /
           std::chrono::duration<double>(took).count();
}

qel::SessionPtr addNode() {
    qel::SessionPtr node = qel::appendSession({});
    node->nodeID = qel::newID();
    node->TTL = 20;
    node->Timeout = 1500;
    node->listenPort = 20210;
    node->packetIDs.reset(50);
    return node;
}

// Counts the bodies that arrive instead of handling them.
class CountingServices final : public qel::CoreConnectionServices {
  public:
    void processPacket(qel::clsPacket& packet, const std::shared_ptr<qel::clsSocket>&) override {
        if (onPacket) {
            onPacket(packet);
        }
    }
    std::function<void(const qel::clsPacket&)> onPacket;
};

// Bytes of packet text through sendPacket; 0 when the nodes could not connect.
int64_t throughSendPacket(std::chrono::steady_clock::duration& took) {
    qel::initLibrary();
    qel::LibraryState& lib = qel::library();
    const auto counter = std::make_shared<CountingServices>();
    lib.connectionServices = counter;
    const qel::SessionPtr receiver = addNode();
    if (!qel::ListenOnPort(0)) {
        return 0;
    }
    const int port = qel::socketHost().sckListen[0].localPort();
    const qel::SessionPtr sender = addNode();
    const std::string id =
        qel::connectTo("127.0.0.1:" + std::to_string(port), false, false, nullptr, false, false);
    const std::shared_ptr<qel::clsSocket>* connection = lib.connectionTable.find(id);
    if (connection == nullptr) {
        return 0;
    }
    int64_t bodies = 0;
    int64_t texts = 0;
    counter->onPacket = [&](const qel::clsPacket& packet) {
        bodies += static_cast<int64_t>(packet.Data.size());
    };
    // Each packet takes over the body of the one before, which sendPacket
    // leaves as it was: only the library's own copies are timed.
    std::string body(kPacketBody, 'b');
    const auto start = std::chrono::steady_clock::now();
    for (int64_t sent = 0; sent < kPackets; ++sent) {
        while ((*connection)->outPending.size() >= kQueued) {
            platform::waitEvents(5);
        }
        qel::switchSession(sender);
        qel::clsPacket packet;
        packet.Method = "MSG";
        packet.Data = std::move(body);
        qel::sendPacket(packet);
        body = std::move(packet.Data);
        texts += (*connection)->packetOut->wireSize();
    }
    while (bodies < kTotal) {
        platform::waitEvents(5);
    }
    took = std::chrono::steady_clock::now() - start;
    return texts;
}

void checked(bool ok, const char* what) {
    if (!ok) {
        std::perror(what);
        std::exit(1);
    }
}

// The same bytes over a TCP pair of plain POSIX sockets on loopback, written
// and read by one thread in 256 KiB pieces.
std::chrono::steady_clock::duration throughPosixPair(int64_t total) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    checked(::bind(listener, reinterpret_cast<sockaddr*>(&address), length) == 0, "bind");
    checked(::listen(listener, 1) == 0, "listen");
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const int writer = ::socket(AF_INET, SOCK_STREAM, 0);
    checked(::connect(writer, reinterpret_cast<sockaddr*>(&address), length) == 0, "connect");
    const int reader = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK);
    checked(reader >= 0, "accept");
    checked(::fcntl(writer, F_SETFL, O_NONBLOCK) == 0, "fcntl");

    const std::string chunk(kPacketBody, 'b');
    std::vector<char> in(kPacketBody);
    int64_t written = 0;
    int64_t read = 0;
    const auto start = std::chrono::steady_clock::now();
    while (read < total) {
        pollfd fds[2] = {{writer, static_cast<short>(written < total ? POLLOUT : 0), 0},
                         {reader, POLLIN, 0}};
        ::poll(fds, 2, 1000);
        if ((fds[0].revents & POLLOUT) != 0) {
            const auto want = static_cast<size_t>(std::min<int64_t>(kPacketBody, total - written));
            const ssize_t n = ::send(writer, chunk.data(), want, MSG_NOSIGNAL);
            written += n > 0 ? n : 0;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            const ssize_t n = ::recv(reader, in.data(), in.size(), 0);
            read += n > 0 ? n : 0;
        }
    }
    const auto took = std::chrono::steady_clock::now() - start;
    ::close(reader);
    ::close(writer);
    ::close(listener);
    return took;
}

}  // namespace

int main(int argc, char** argv) {
    platform::preferPlainEventDispatcher();  // as the program and the test node run
    QCoreApplication application(argc, argv);
    platform::setBindAddress("127.0.0.1");

    std::chrono::steady_clock::duration pipelineTook{};
    const int64_t bytes = throughSendPacket(pipelineTook);
    if (bytes == 0) {
        std::fprintf(stderr, "the two nodes could not connect\n");
        return 1;
    }
    const auto posixTook = throughPosixPair(bytes);
    const double pipeline = megabytesPerSecond(bytes, pipelineTook);
    const double posix = megabytesPerSecond(bytes, posixTook);
    std::printf("%lld packets of %lld KiB, %lld bytes on the wire\n",
                static_cast<long long>(kPackets), static_cast<long long>(kPacketBody / 1024),
                static_cast<long long>(bytes));
    std::printf("sendPacket between two nodes  %10.1f MB/s\n", pipeline);
    std::printf("POSIX socket pair             %10.1f MB/s\n", posix);
    std::printf("sendPacket / POSIX pair       ratio %.3f\n", pipeline / posix);
    return 0;
}
