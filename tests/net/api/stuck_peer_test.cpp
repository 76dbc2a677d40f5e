// A peer that stops reading (a suspended copy, a full link) must not make
// its neighbour deaf: floods still reach every other connection, every other
// peer's PING is answered at once, the stuck connection's queue stays
// bounded, and the connection is closed once its writes make no progress.
#include "node_fixture.h"

#include "connection.h"
#include "library_state.h"
#include "lookups.h"

#include "support/raw_peer.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace qel::test {
namespace {

using tornel::test::RawPeer;
using tornel::test::realMs;
using tornel::test::waitUntil;
using tornel::test::wireText;

constexpr int64_t Generous = 20000;  // ms

// A peer that connects with the smallest receive window the system allows,
// says one thing and then never reads again.
class DeafPeer {
  public:
    explicit DeafPeer(std::string nodeID) : nodeID(std::move(nodeID)) {}
    ~DeafPeer() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    DeafPeer(const DeafPeer&) = delete;
    DeafPeer& operator=(const DeafPeer&) = delete;

    bool connect(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int window = 1;  // raised by the system to its minimum
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }

    // Tells the node who is at this end of the connection.
    void announce(const std::string& hubID) {
        const std::string ping = wireText("PING", "",
                                          {{"ID", nodeID + "-1"},
                                           {"Destination", hubID},
                                           {"Source", nodeID},
                                           {"TTL", "1"},
                                           {"Hops", "0"},
                                           {"ReqID", "HELLO"}});
        ASSERT_EQ(::send(fd_, ping.data(), ping.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(ping.size()));
    }

    const std::string nodeID;

  private:
    int fd_ = -1;
};

class StuckPeerTest : public NodesTest {
  protected:
    StuckPeerTest() {
        // The stall bound is lifted until the test has looked at the flood.
        library().outgoingBounds.minStallMs = 60'000;
    }

    std::shared_ptr<clsSocket> connectionTo(const std::string& nodeID) const {
        const SessionPtr own = hub.session();
        return own ? getDirectSocket(*own, nodeID) : nullptr;
    }

    // Connects a raw peer and waits until the hub knows it by its node ID.
    void join(RawPeer& peer) {
        ASSERT_TRUE(peer.connect(hub.port));
        peer.send(peer.packet("PING", hub.id, {{"ReqID", "JOIN"}}));
        ASSERT_TRUE(waitUntil([&] { return peer.answer("PONG", "JOIN") != nullptr; }, Generous));
        ASSERT_TRUE(connectionTo(peer.nodeID));
    }

    // Milliseconds from a PING of `peer` to the hub's PONG; -1 when none came.
    int64_t pingRoundTrip(RawPeer& peer, const std::string& reqID) {
        const int64_t sent = realMs();
        peer.send(peer.packet("PING", hub.id, {{"ReqID", reqID}}));
        if (!waitUntil([&] { return peer.answer("PONG", reqID) != nullptr; }, Generous)) {
            return -1;
        }
        return realMs() - sent;
    }

    // Lets events run until `done`, noting the most the stuck connection held.
    template <class Done>
    bool watch(const std::string& stuckID, Done done) {
        return waitUntil(
            [&] {
                if (const std::shared_ptr<clsSocket> stuck = connectionTo(stuckID)) {
                    mostQueuedForStuck = std::max(mostQueuedForStuck, stuck->queuedBytes());
                }
                return done();
            },
            Generous);
    }

    TestNode& hub = addNode("Hub");
    int64_t mostQueuedForStuck = 0;
};

TEST_F(StuckPeerTest, APeerThatStopsReadingLeavesEveryOtherPeerAnsweredAndIsClosed) {
    DeafPeer stuck("STUCK-PEER");
    ASSERT_TRUE(stuck.connect(hub.port));
    ASSERT_NO_FATAL_FAILURE(stuck.announce(hub.id));
    ASSERT_TRUE(waitUntil([&] { return connectionTo(stuck.nodeID) != nullptr; }, Generous));

    std::vector<std::unique_ptr<RawPeer>> peers;
    for (const char* id : {"FLOODER", "LISTENER-1", "LISTENER-2"}) {
        peers.push_back(std::make_unique<RawPeer>(id));
        ASSERT_NO_FATAL_FAILURE(join(*peers.back()));
    }
    RawPeer& flooder = *peers[0];

    // Far more than the stuck peer's windows and the soft mark hold, from a
    // peer's broadcasts and from the hub's own.
    constexpr int kCopies = 40;
    const std::string body(256 * 1024, 'b');
    for (int i = 0; i < kCopies; ++i) {
        flooder.send(flooder.packet("MSG", "BROADCAST", {{"TTL", "4"}, {"Type", "flood"}}, body));
    }
    const auto messagesOf = [](const RawPeer& peer, const std::string& type) {
        return std::count_if(peer.received.begin(), peer.received.end(), [&](const auto& p) {
            return p.method == "MSG" && p.field("Type") == type;
        });
    };
    for (int i = 1; i <= kCopies / 2; ++i) {
        hub->sendMessage(body, "BROADCAST", "own");
        ASSERT_TRUE(watch(stuck.nodeID, [&] {
            return messagesOf(*peers[1], "own") == i && messagesOf(*peers[2], "own") == i;
        })) << i;
    }

    // The flood reaches the other peers whole; none of the hub's links waited.
    ASSERT_TRUE(watch(stuck.nodeID, [&] {
        return messagesOf(*peers[1], "flood") == kCopies &&
               messagesOf(*peers[2], "flood") == kCopies &&
               messagesOf(flooder, "own") == kCopies / 2;
    }));
    const std::shared_ptr<clsSocket> toStuck = connectionTo(stuck.nodeID);
    ASSERT_TRUE(toStuck && toStuck->isConnected) << "closed before its writes stood still";
    for (const std::shared_ptr<clsSocket>& connection : library().connectionTable.snapshot()) {
        EXPECT_FALSE(connection->readingHeld()) << connection->remoteNodeID;
    }

    // Every other peer, the flooder too, is answered at once.
    for (size_t i = 0; i < peers.size(); ++i) {
        const int64_t roundTrip = pingRoundTrip(*peers[i], "AFTER-" + std::to_string(i));
        EXPECT_GE(roundTrip, 0) << peers[i]->nodeID;
        EXPECT_LT(roundTrip, 1000) << peers[i]->nodeID;
    }

    // The stuck queue never grew past the soft mark, and the connection is
    // closed once its writes have stood still for a few Timeouts.
    library().outgoingBounds.minStallMs = 0;
    ASSERT_TRUE(watch(stuck.nodeID, [&] { return !toStuck->isConnected; }));
    const int64_t mark = library().outgoingBounds.holdForwardedAtBytes;
    EXPECT_GT(mostQueuedForStuck, mark / 2) << "the stuck queue never filled";
    EXPECT_LE(mostQueuedForStuck, mark);
    EXPECT_EQ(hub.events->count("closed"), 1);
    for (size_t i = 0; i < peers.size(); ++i) {
        EXPECT_TRUE(peers[i]->isConnected()) << peers[i]->nodeID;
    }
}

}  // namespace
}  // namespace qel::test
