// Strangers who open connections and say nothing, or never end a header,
// can neither use up a node's descriptors nor its memory: accepted
// connections are bounded per address and in all (below the descriptor
// limit), a node at its bound waits without spinning and takes the next
// peer once a connection closes, and unfinished headers are bounded in
// bytes together and closed after their time.
#include "node_fixture.h"

#include "connection.h"
#include "header_budget.h"
#include "library_state.h"

#include "platform/accept_limits.h"
#include "support/node_process.h"
#include "support/process_resources.h"
#include "support/raw_peer.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace qel::test {
namespace {

using tornel::test::letEventsRun;
using tornel::test::RawPeer;
using tornel::test::realMs;
using tornel::test::waitUntil;

constexpr int64_t Generous = 20000;  // ms

// A connection from `source` (a loopback address) to 127.0.0.1:`port` that
// sends what it is told and never reads; connecting never blocks, so it may
// wait in the listener's queue.
class IdleConnection {
  public:
    IdleConnection(const std::string& source, int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, source.c_str(), &local.sin_addr);
        ::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local);
        sockaddr_in remote{};
        remote.sin_family = AF_INET;
        remote.sin_port = htons(static_cast<uint16_t>(port));
        remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd_, reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
    }
    ~IdleConnection() { ::close(fd_); }
    IdleConnection(const IdleConnection&) = delete;
    IdleConnection& operator=(const IdleConnection&) = delete;

    // Whether the node has closed it (the end of the stream, or a reset).
    bool closedByNode() const {
        char byte = 0;
        const ssize_t got = ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }

    // Writes as much of `bytes` as the system takes now; how much that was.
    size_t send(std::string_view bytes) {
        const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        const size_t taken = sent > 0 ? static_cast<size_t>(sent) : 0;
        sent_ += taken;
        return taken;
    }
    // Everything sent so far.
    size_t sent() const { return sent_; }

  private:
    int fd_ = -1;
    size_t sent_ = 0;
};

using IdleConnections = std::vector<std::unique_ptr<IdleConnection>>;

void openIdle(IdleConnections& into, const std::string& source, int port, int count) {
    for (int i = 0; i < count; ++i) {
        into.push_back(std::make_unique<IdleConnection>(source, port));
    }
}

// CPU time this process has used, in ms.
int64_t ownCpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// Milliseconds from a PING of `peer` to the node's PONG, waiting `ms` at
// most; -1 when none came.
int64_t pingRoundTrip(RawPeer& peer, const std::string& nodeID, const std::string& reqID,
                      int64_t ms = Generous) {
    const int64_t sent = realMs();
    peer.send(peer.packet("PING", nodeID, {{"ReqID", reqID}}));
    if (!waitUntil([&] { return peer.answer("PONG", reqID) != nullptr; }, ms)) {
        return -1;
    }
    return realMs() - sent;
}

class AcceptLimitsTest : public NodesTest {
  protected:
    ~AcceptLimitsTest() override { platform::setAcceptLimits(std::nullopt); }

    TestNode& hub = addNode("Hub");
};

TEST(AcceptLimitsDefaultsTest, KeepRoomForFilesAndOutgoingLinksBelowTheDescriptorLimit) {
    struct Row {
        int64_t descriptors;
        int64_t total;
        int64_t perAddress;
    };
    for (const Row& row : {Row{1024, 768, 96}, Row{256, 192, 24}, Row{100, 36, 4}, Row{50, 1, 1},
                           Row{1 << 20, 4096, 512}}) {
        const platform::AcceptLimits limits = platform::acceptLimitsFor(row.descriptors);
        EXPECT_EQ(limits.total, row.total) << row.descriptors;
        EXPECT_EQ(limits.perAddress, row.perAddress) << row.descriptors;
    }
    rlimit own{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &own), 0);
    EXPECT_LT(platform::acceptLimits().total, static_cast<int64_t>(own.rlim_cur));
}

TEST_F(AcceptLimitsTest, AtTheBoundTheNodeWaitsWithoutSpinningAndTakesTheNextPeerOnceOneCloses) {
    platform::setAcceptLimits(platform::AcceptLimits{12, 6});
    IdleConnections idle;
    openIdle(idle, "127.0.0.2", hub.port, 6);
    openIdle(idle, "127.0.0.3", hub.port, 6);
    ASSERT_TRUE(waitUntil([] { return platform::acceptedConnections() == 12; }, Generous));

    // The new peer's connect succeeds (the system queues it), but the node
    // takes it only once it has room: meanwhile it uses next to no CPU.
    RawPeer newcomer("NEWCOMER");
    ASSERT_TRUE(newcomer.connect(hub.port));
    const int64_t cpuBefore = ownCpuMs();
    const int64_t wallBefore = realMs();
    EXPECT_EQ(pingRoundTrip(newcomer, hub.id, "WAITING", 1500), -1);
    const int64_t cpuUsed = ownCpuMs() - cpuBefore;
    const int64_t wall = realMs() - wallBefore;
    EXPECT_LT(cpuUsed, wall / 5 + 50) << "cpu " << cpuUsed << " ms in " << wall << " ms";
    EXPECT_EQ(platform::acceptedConnections(), 12);
    for (const auto& connection : idle) {
        EXPECT_FALSE(connection->closedByNode());
    }

    idle.resize(9);  // three strangers go away
    EXPECT_GE(pingRoundTrip(newcomer, hub.id, "ROOM"), 0);
    EXPECT_LE(platform::acceptedConnections(), 12);
}

TEST_F(AcceptLimitsTest, OneAddressGetsOnlyItsShareAndOthersAreStillTaken) {
    platform::setAcceptLimits(platform::AcceptLimits{50, 4});
    IdleConnections idle;
    openIdle(idle, "127.0.0.2", hub.port, 4);
    ASSERT_TRUE(waitUntil([] { return platform::acceptedConnections() == 4; }, Generous));

    IdleConnection oneTooMany("127.0.0.2", hub.port);
    EXPECT_TRUE(waitUntil([&] { return oneTooMany.closedByNode(); }, Generous));
    EXPECT_EQ(platform::acceptedConnections(), 4);

    RawPeer other("OTHER-ADDRESS");  // from 127.0.0.1
    ASSERT_TRUE(other.connect(hub.port));
    EXPECT_GE(pingRoundTrip(other, hub.id, "OTHER"), 0);

    // A closed connection gives its address its place back.
    idle.pop_back();
    ASSERT_TRUE(waitUntil([] { return platform::acceptedConnections() == 4; }, Generous));
    IdleConnection again("127.0.0.2", hub.port);
    ASSERT_TRUE(waitUntil([] { return platform::acceptedConnections() == 5; }, Generous));
    letEventsRun(200);
    EXPECT_FALSE(again.closedByNode());
}

// Strangers on many connections each send most of a header and never end it.
TEST_F(AcceptLimitsTest, UnfinishedHeadersAreBoundedTogetherAndClosedAfterTheirTime) {
    HeaderBudget& budget = library().headerBudget;
    budget.bounds.maxWaitMs = 1000;
    constexpr size_t kHeaderBytes = 960 * 1024;  // each: just below a header's bound
    constexpr int kStrangers = 100;              // together: twelve times the budget
    const std::string start = "GET \\file QEL/2.1\r\nX-Padding: ";
    const std::string filler(64 * 1024, 'p');

    // A batch at a time, so that the system's queue drops none.
    IdleConnections strangers;
    for (const char* source : {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"}) {
        openIdle(strangers, source, hub.port, kStrangers / 4);
        const auto opened = static_cast<int64_t>(strangers.size());
        ASSERT_TRUE(waitUntil([&] { return platform::acceptedConnections() == opened; }, Generous));
    }
    const tornel::test::MemoryPeak memory;
    int64_t mostHeld = 0;
    const auto watchBudget = [&] { mostHeld = std::max(mostHeld, budget.heldBytes()); };
    for (const auto& stranger : strangers) {
        stranger->send(start);
    }
    // Whether every stranger has sent its header, or been closed.
    const auto feedAll = [&] {
        bool fed = true;
        for (const auto& stranger : strangers) {
            if (stranger->sent() < kHeaderBytes && !stranger->closedByNode()) {
                stranger->send(std::string_view(filler).substr(
                    0, std::min(filler.size(), kHeaderBytes - stranger->sent())));
                fed = false;
            }
        }
        watchBudget();
        return fed;
    };
    ASSERT_TRUE(waitUntil(feedAll, Generous));
    RawPeer honest("HONEST");
    ASSERT_TRUE(honest.connect(hub.port));
    EXPECT_GE(pingRoundTrip(honest, hub.id, "DURING"), 0);
    const auto closedCount = [&] {
        return std::count_if(strangers.begin(), strangers.end(),
                             [](const auto& stranger) { return stranger->closedByNode(); });
    };
    EXPECT_GT(closedCount(), 0) << "the budget closed nobody";
    EXPECT_LE(mostHeld, budget.bounds.maxBytes);

    // The rest are closed once their headers have waited past their time,
    // while the honest peer stays.
    ASSERT_TRUE(waitUntil(
        [&] {
            watchBudget();
            return closedCount() == kStrangers;
        },
        Generous));
    EXPECT_LE(mostHeld, budget.bounds.maxBytes);
    EXPECT_LT(memory.growthMiB(), 64);
    EXPECT_EQ(budget.unfinishedHeaders(), 0U);
    EXPECT_EQ(budget.heldBytes(), 0);
    EXPECT_TRUE(honest.isConnected());
    EXPECT_GE(pingRoundTrip(honest, hub.id, "AFTER"), 0);
}

// Whether `connection` got all of `text` out, letting events run meanwhile.
bool sendWhole(IdleConnection& connection, const std::string& text) {
    size_t done = 0;
    return waitUntil(
        [&] {
            done += connection.send(std::string_view(text).substr(done));
            return done == text.size();
        },
        Generous);
}

TEST_F(AcceptLimitsTest, OverTheHeaderBudgetTheConnectionHoldingMostIsClosed) {
    HeaderBudget& budget = library().headerBudget;
    budget.bounds.maxBytes = 1 << 20;
    const std::string start = "GET \\file QEL/2.1\r\nX-Padding: ";
    IdleConnection big("127.0.0.2", hub.port);
    IdleConnection older("127.0.0.3", hub.port);
    IdleConnection newest("127.0.0.4", hub.port);
    ASSERT_TRUE(waitUntil([] { return platform::acceptedConnections() == 3; }, Generous));

    // Each waits until the node holds what came before it.
    ASSERT_TRUE(sendWhole(older, start + std::string(200 * 1024, 'o')));
    ASSERT_TRUE(waitUntil([&] { return budget.heldBytes() >= 200 * 1024; }, Generous));
    ASSERT_TRUE(sendWhole(big, start + std::string(600 * 1024, 'b')));
    ASSERT_TRUE(waitUntil([&] { return budget.heldBytes() >= 800 * 1024; }, Generous));
    EXPECT_EQ(budget.unfinishedHeaders(), 2U);
    ASSERT_TRUE(sendWhole(newest, start + std::string(300 * 1024, 'n')));

    ASSERT_TRUE(waitUntil([&] { return big.closedByNode(); }, Generous));
    ASSERT_TRUE(waitUntil([&] { return budget.heldBytes() >= 500 * 1024; }, Generous));
    EXPECT_LE(budget.heldBytes(), budget.bounds.maxBytes);
    EXPECT_EQ(budget.unfinishedHeaders(), 2U);
    EXPECT_FALSE(older.closedByNode());
    EXPECT_FALSE(newest.closedByNode());
}

// The CPU time a process has used, in ms; -1 when it cannot be read.
int64_t processCpuMs(qint64 pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t afterName = text.rfind(')');
    if (afterName == std::string::npos) {
        return -1;
    }
    std::istringstream fields(text.substr(afterName + 2));
    std::string field;
    int64_t utime = 0;
    int64_t stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            utime = std::stoll(field);
        } else if (index == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    return (utime + stime) * 1000 / ::sysconf(_SC_CLK_TCK);
}

int openDescriptorsOf(qint64 pid) {
    std::error_code error;
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        ++count;
    }
    return count;
}

// A node process with few descriptors, offered more idle connections than it
// has descriptors, from many addresses.
TEST(AcceptDescriptorLimitTest, ANodeWithFewDescriptorsNeverRunsOutAndAnswersANewPeerLater) {
    constexpr rlim_t kDescriptors = 200;
    rlimit own{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &own), 0);
    ASSERT_GE(own.rlim_cur, 4 * kDescriptors);
    // The node inherits the lowered limit; this process gets its own back.
    rlimit lowered = own;
    lowered.rlim_cur = kDescriptors;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const int port = tornel::test::freePort();
    tornel::test::NodeProcess node(
        {"--name", "Few", "--port", QString::number(port), "--set", "nodeID=FEW-DESCRIPTORS"});
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &own), 0);
    ASSERT_TRUE(node.started());
    ASSERT_EQ(node.readyID(), "FEW-DESCRIPTORS");
    const int64_t bound = platform::acceptLimitsFor(kDescriptors).total;
    const int64_t perAddress = platform::acceptLimitsFor(kDescriptors).perAddress;
    const int baseDescriptors = openDescriptorsOf(node.pid());

    // The strangers come a few at a time (more at once would overflow the
    // system's queue, which drops connections the node never sees), until
    // the node has taken all it may; then more than the node has descriptors.
    constexpr int kSlack = 4;  // a descriptor of the node's own may come or go
    const auto held = [&] { return openDescriptorsOf(node.pid()); };
    IdleConnections idle;
    for (int host = 2; idle.size() < static_cast<size_t>(kDescriptors + 20); ++host) {
        openIdle(idle, "127.0.0." + std::to_string(host), port, static_cast<int>(perAddress));
        if (idle.size() <= static_cast<size_t>(bound)) {
            const int taken = static_cast<int>(idle.size());
            ASSERT_TRUE(
                waitUntil([&] { return held() >= baseDescriptors + taken - kSlack; }, Generous))
                << "the node holds " << held() << " descriptors, " << baseDescriptors
                << " at first";
        }
    }

    // At its bound: descriptors to spare, and next to no CPU spent waiting.
    const int64_t cpuBefore = processCpuMs(node.pid());
    const int64_t wallBefore = realMs();
    letEventsRun(2000);
    const int64_t cpuUsed = processCpuMs(node.pid()) - cpuBefore;
    const int64_t wall = realMs() - wallBefore;
    EXPECT_LT(cpuUsed, wall / 5 + 50) << "cpu " << cpuUsed << " ms in " << wall << " ms";
    EXPECT_LE(held(), baseDescriptors + bound + kSlack);
    EXPECT_LT(held(), static_cast<int>(kDescriptors) - 32);

    // Once the strangers go, a new peer is taken and answered.
    idle.clear();
    RawPeer newcomer("NEWCOMER");
    ASSERT_TRUE(newcomer.connect(port, Generous));
    newcomer.send(newcomer.packet("PING", "FEW-DESCRIPTORS", {{"ReqID", "LATER"}}));
    EXPECT_TRUE(waitUntil([&] { return newcomer.answer("PONG", "LATER") != nullptr; }, Generous));
}

}  // namespace
}  // namespace qel::test
