// The connections that the users search opens to the nodes discovery finds:
// a few a search and a few a minute, whatever the datagrams name, and none
// kept up.
#include "app_fixture.h"
#include "core/network/connections.h"
#include "core/network/discovery_connections.h"
#include "qellib/qel.h"
#include "support/raw_peer.h"
#include "support/wait.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tornel {
namespace {

using test::RawPeer;
using test::waitUntil;

std::vector<std::string> addresses(int first, int count) {
    std::vector<std::string> found{""};
    for (int i = first; i < first + count; ++i) {
        found.push_back("127.0.0.1:" + std::to_string(40000 + i));
    }
    return found;
}

TEST(DiscoveryConnectionsTest, OpensAFewASearchAndAFewAMinuteNeverTheSameTwiceInAMinute) {
    DiscoveryConnections connections;
    const auto none = [](const std::string&) { return false; };
    const std::vector<std::string> found = addresses(0, 40);
    const size_t perSearch = DiscoveryConnections::kMaxPerSearch;

    const std::vector<std::string> first = connections.toOpen(found, 1000, none);
    ASSERT_EQ(first.size(), perSearch);
    EXPECT_EQ(first.front(), found[1]);
    EXPECT_EQ(first.back(), found[perSearch]);

    // The next search goes on with the addresses not opened yet.
    const std::vector<std::string> second = connections.toOpen(found, 2000, none);
    ASSERT_EQ(second.size(), perSearch);
    EXPECT_EQ(second.front(), found[perSearch + 1]);
    EXPECT_TRUE(connections.toOpen(found, 3000, none).empty());  // the minute's are spent

    // A minute after the first search its places, and its addresses, are
    // free again; those of the second are not yet.
    const std::vector<std::string> later =
        connections.toOpen(found, 1000 + DiscoveryConnections::kMinuteMs, none);
    EXPECT_EQ(later, first);
    const std::vector<std::string> third =
        connections.toOpen(found, 1999 + DiscoveryConnections::kMinuteMs, none);
    EXPECT_TRUE(third.empty());
}

TEST(DiscoveryConnectionsTest, LeavesOutEmptyEntriesAndTheUsersServers) {
    DiscoveryConnections connections;
    const std::vector<std::string> found{"", "", "127.0.0.1:1", "127.0.0.1:2", "127.0.0.1:3"};
    const std::vector<std::string> opened = connections.toOpen(
        found, 1000, [](const std::string& address) { return address == "127.0.0.1:2"; });
    EXPECT_EQ(opened, (std::vector<std::string>{"127.0.0.1:1", "127.0.0.1:3"}));
}

// The program's node searching for users while DISCOVER datagrams name 1 100
// addresses: the first 40 are listeners of the test on 127.0.0.1, the others
// addresses where nothing listens.
class DiscoveryFloodTest : public test::AppFixture {
  protected:
    static constexpr int kListeners = 40;
    static constexpr int kNamed = 1100;

    DiscoveryFloodTest() {
        std::filesystem::create_directory(file("share"));
        for (int i = 0; i < kListeners; ++i) {
            auto server = std::make_unique<QTcpServer>();
            EXPECT_TRUE(server->listen(QHostAddress::LocalHost, 0));
            QObject::connect(server.get(), &QTcpServer::newConnection, [this, s = server.get()] {
                while (QTcpSocket* socket = s->nextPendingConnection()) {
                    accepted.push_back(socket);
                }
            });
            named.push_back("127.0.0.1:" + std::to_string(server->serverPort()));
            servers.push_back(std::move(server));
        }
        // Nothing can listen on these: the port is the first listener's,
        // bound to 127.0.0.1 alone.
        const std::string port = std::to_string(servers.front()->serverPort());
        for (int i = 0; static_cast<int>(named.size()) < kNamed; ++i) {
            named.push_back("127.3." + std::to_string(i / 250) + "." +
                            std::to_string(i % 250 + 1) + ":" + port);
        }
        startSharingNode(2000);
        EXPECT_TRUE(udp.bind(QHostAddress::LocalHost, 0));
    }
    ~DiscoveryFloodTest() override { state.qelSession->shutDown(); }

    // A users search's connecting step while the datagrams arrive, a hundred
    // at a pass so that none is lost to a full receive buffer.
    void searchDuringFlood() {
        size_t next = 0;
        QTimer flood;
        QObject::connect(&flood, &QTimer::timeout, [&] {
            for (size_t end = std::min(next + 100, named.size()); next < end; ++next) {
                const std::string record = "DISCOVER " + named[next] + " QEL/2.1\r\n\r\n";
                udp.writeDatagram(record.data(), static_cast<qint64>(record.size()),
                                  QHostAddress::LocalHost,
                                  static_cast<quint16>(state.Port + 1));
            }
            if (next == named.size()) {
                flood.stop();
            }
        });
        flood.start(2);
        connectLocal(state);
        EXPECT_EQ(next, named.size()) << "the search ended before the flood";
    }

    std::vector<std::unique_ptr<QTcpServer>> servers;
    std::vector<QTcpSocket*> accepted;  // owned by their servers
    std::vector<std::string> named;
    QUdpSocket udp;
};

TEST_F(DiscoveryFloodTest, DatagramsNamingAThousandAddressesOpenOnlyAFew) {
    RawPeer peer;
    ASSERT_TRUE(peer.connect(static_cast<int>(state.Port)));
    searchDuringFlood();
    const auto perSearch = static_cast<size_t>(DiscoveryConnections::kMaxPerSearch);
    ASSERT_TRUE(waitUntil([&] { return accepted.size() == perSearch; }));

    const int64_t sentAt = platform::tickCount();
    peer.send(peer.packet("PING", state.NodeGUID, {{"ReqID", "P1"}}));
    ASSERT_TRUE(waitUntil([&] { return peer.answer("PONG", "P1") != nullptr; }, 10000));
    EXPECT_LT(peer.answer("PONG", "P1")->arrivedAt - sentAt, 1000);

    // Two more searches within the minute: the second opens the next few,
    // the third none.
    searchDuringFlood();
    const auto perMinute = static_cast<size_t>(DiscoveryConnections::kMaxPerMinute);
    ASSERT_TRUE(waitUntil([&] { return accepted.size() == perMinute; }));
    searchDuringFlood();
    // Connections to the listeners would be accepted by now: the program
    // answers a ping only after what it did before.
    peer.send(peer.packet("PING", state.NodeGUID, {{"ReqID", "P2"}}));
    ASSERT_TRUE(waitUntil([&] { return peer.answer("PONG", "P2") != nullptr; }, 10000));
    test::letEventsRun(200);
    EXPECT_EQ(accepted.size(), perMinute);
    EXPECT_LE(state.connections.count(), perMinute + 1);  // and the peer's
}

}  // namespace
}  // namespace tornel
