#include "node_fixture.h"

#include "connection.h"
#include "connection_manager.h"
#include "node_info.h"

#include "platform/event_loop.h"
#include "qellib/discover.h"

#include <gtest/gtest.h>

namespace qel::test {
namespace {

using tornel::test::freePort;

class NodeConnectionsTest : public NodesTest {
  protected:
    // The node's connections in the connection table, in order.
    static std::vector<std::shared_ptr<clsSocket>> connectionsOf(const TestNode& node) {
        std::vector<std::shared_ptr<clsSocket>> found;
        for (const auto& connection : library().connectionTable.snapshot()) {
            if (connection->session.lock() == node.session()) {
                found.push_back(connection);
            }
        }
        return found;
    }
    static int connectedCount(const TestNode& node) {
        int connected = 0;
        for (const auto& connection : connectionsOf(node)) {
            connected += connection->state() == platform::SocketState::Connected ? 1 : 0;
        }
        return connected;
    }
};

TEST_F(NodeConnectionsTest, ConnectRaisesTheEventsOfBothSidesAndReusesTheConnection) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    const std::string id = link(a, b);
    ASSERT_EQ(a.events->log, std::vector<std::string>{"estab " + b.address() + " 2 " + id});
    ASSERT_TRUE(waitFor([&] { return b.events->log.size() == 2; }));
    EXPECT_EQ(b.events->log[0], "req 127.0.0.1");
    const std::string accepted = connectionsOf(b).front()->connectionID;
    EXPECT_EQ(b.events->log[1], "estab 127.0.0.1 1 " + accepted);
    EXPECT_TRUE(a->isConnected());
    EXPECT_TRUE(b->isConnected());

    EXPECT_EQ(a->Connect(b.address()), id);  // the open connection again
    EXPECT_EQ(connectionsOf(a).size(), 1U);

    // The accepting node learned the connector from its description.
    const std::vector<typNodeInfo> info = b->getNodeInfo(a.id, true);
    ASSERT_EQ(info.size(), 1U);
    EXPECT_EQ(info[0].Name, "A");
    EXPECT_EQ(info[0].Descriptor, "TEST");
    EXPECT_TRUE(info[0].directConn);
    EXPECT_EQ(info[0].Address, a.address());

    // A connect by node ID goes to the address the node is known at (here
    // from what the process has heard of it).
    TestNode& c = addNode("C");
    link(c, a);
    EXPECT_NE(b->Connect(c.id, true), "");
    EXPECT_TRUE(waitFor([&] { return c.events->count("estab 127.0.0.1 1") == 1; }));
    EXPECT_EQ(b->Connect("NODE-NOBODY", true), "");
}

TEST_F(NodeConnectionsTest, MessagesArriveWithTheirTypeAndSource) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    link(a, b);
    const std::string body("line one\r\nline two\0end", 22);
    a->sendMessage(body, b.id);
    a->sendMessage("hello", b.id, "chat");
    b->sendMessage("back", a.id, "reply");
    ASSERT_TRUE(waitFor([&] { return b.events->messages.size() == 2; }));
    EXPECT_EQ(b.events->messages[0], body + "||" + a.id);
    EXPECT_EQ(b.events->messages[1], "hello|chat|" + a.id);
    ASSERT_TRUE(waitFor([&] { return a.events->messages.size() == 1; }));
    EXPECT_EQ(a.events->messages[0], "back|reply|" + b.id);
}

TEST_F(NodeConnectionsTest, PingGivesTheRoundTripOrMinusOne) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    link(b, a);  // A knows B from B's announcement
    EXPECT_GE(a->Ping(b.id, 2000), 0);
    EXPECT_EQ(a->Ping(b.id, 0), -1);  // no time to answer
    EXPECT_TRUE(a.events->errors.empty());

    EXPECT_EQ(a->Ping("NODE-NOBODY", 2000), -1);
    EXPECT_EQ(a.events->errors,
              std::vector<std::string>{"Error -2147221503: Cannot ping unresolved node [Ping]"});

    // A node that describes itself instead of answering: the description
    // arriving during the wait is no answer.
    library().methodHandlers.add("PING", [](const clsPacket&, const std::shared_ptr<clsSocket>&,
                                            const std::string& source) { handleWhois(source); });
    const int64_t started = platform::tickCount();
    EXPECT_EQ(a->Ping(b.id, 300), -1);
    EXPECT_GE(platform::tickCount() - started, 300);
    EXPECT_EQ(a.events->errors.size(), 1U);
}

TEST_F(NodeConnectionsTest, PingReachesANodeKnownOnlyFromWhatTheProcessHeard) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    link(b, a);
    a->startNodeInfoAsync();  // empties the node table; answers become events
    ASSERT_TRUE(waitFor([&] { return a.events->infos.size() == 1; }));
    ASSERT_LT(findNodeInfo(*a.session(), b.id), 0);
    EXPECT_GE(a->Ping(b.id, 2000), 0);
    EXPECT_TRUE(a.events->errors.empty());
}

TEST_F(NodeConnectionsTest, NodeInformationOfOneNodeOfEveryNodeAndAsEvents) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    TestNode& c = addNode("C");
    link(a, b);
    link(a, c);

    std::vector<typNodeInfo> one = a->getNodeInfo(b.id, false);
    ASSERT_EQ(one.size(), 1U);
    EXPECT_EQ(one[0].ID, b.id);
    EXPECT_EQ(one[0].Name, "B");

    const std::vector<typNodeInfo> every = a->getNodeInfo();
    ASSERT_EQ(every.size(), 2U);
    EXPECT_NE(every[0].ID, every[1].ID);
    for (const typNodeInfo& n : every) {
        EXPECT_TRUE(n.ID == b.id || n.ID == c.id) << n.ID;
    }

    one = a->getNodeInfo("NODE-NOBODY", false);
    ASSERT_EQ(one.size(), 1U);
    EXPECT_EQ(one[0].ID, "");

    TestNode& lonely = addNode("Lonely");
    const std::vector<typNodeInfo> none = lonely->getNodeInfo();
    ASSERT_EQ(none.size(), 1U);
    EXPECT_EQ(none[0].ID, "");

    a->startNodeInfoAsync();
    ASSERT_TRUE(waitFor([&] { return a.events->infos.size() == 2; }));
    a->stopNodeInfoAsync();
    EXPECT_FALSE(a.session()->nodeInfoAsync);
    EXPECT_EQ(a.session()->nodeTable.size(), 1U);  // the answers went to the events
}

TEST_F(NodeConnectionsTest, EachDisconnectClosesOnlyItsOwnMatches) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    TestNode& c = addNode("C");
    // Two connects under way at once: two connections to one address.
    a->connectMaintainAsync(b.address());
    a->connectMaintainAsync(b.address());
    ASSERT_TRUE(waitFor([&] { return connectedCount(a) == 2; }));
    const std::string cToB = link(c, b);

    EXPECT_FALSE(a->disconnectFrom("127.0.0.1:1"));
    EXPECT_TRUE(a->disconnectFrom(b.address()));
    EXPECT_EQ(connectedCount(a), 0);
    EXPECT_EQ(a.events->count("closed " + b.address()), 2);
    EXPECT_EQ(connectedCount(c), 1);  // another node's connection to B stays

    EXPECT_FALSE(c->disconnectFrom("NODE-NOBODY", true));  // after asking for it
    EXPECT_FALSE(a->disconnectByID(cToB));                 // not A's
    EXPECT_TRUE(c->disconnectByID(cToB));
    EXPECT_EQ(connectedCount(c), 0);

    link(a, c);
    EXPECT_TRUE(a->disconnectFrom(c.id, true));
    EXPECT_EQ(connectedCount(a), 0);

    // A maintained connection that is down stops being retried.
    const int nobody = freePort();
    const std::string maintained = a->Connect("127.0.0.1:" + std::to_string(nobody), false, true);
    EXPECT_FALSE(maintained.empty());
    const std::shared_ptr<clsSocket> retried = connectionsOf(a).back();
    EXPECT_TRUE(retried->Maintain);
    EXPECT_TRUE(a->disconnectFrom("127.0.0.1:" + std::to_string(nobody)));
    EXPECT_FALSE(retried->Maintain);

    TestNode& idle = addNode("Idle");
    EXPECT_TRUE(idle->stopListening());
    EXPECT_TRUE(idle->disconnectAll());
    EXPECT_TRUE(a->disconnectAll());
    EXPECT_FALSE(a.session()->listening);
    EXPECT_EQ(b->Connect(a.address()), "");  // A no longer listens
}

TEST_F(NodeConnectionsTest, AMaintainedConnectionComesBackAfterItsPeerRestarts) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    const std::string id = a->Connect(b.address(), false, true);
    ASSERT_TRUE(waitFor([&] { return b.events->count("estab") == 1; }));
    const int port = b.port;
    b->shutDown();
    ASSERT_TRUE(waitFor([&] { return a.events->count("closed") == 1; }));
    EXPECT_FALSE(a->isConnected());
    // Its reconnect at once finds nobody listening.
    const std::shared_ptr<clsSocket> connection = connectionsOf(a).front();
    ASSERT_TRUE(waitFor([&] { return connection->state() == platform::SocketState::Error; }));

    TestNode& restarted = nodes.emplace_back();
    restarted.name = "B";
    restarted.port = port;
    restarted->Initialise("B", port, role_Peer, "TEST", {}, advancedSettings({{"Timeout", "300"}}));
    ASSERT_TRUE(restarted->Listen());
    reconnectMaintainedConnections();  // the connection timer's pass, without its 5 s
    ASSERT_TRUE(waitFor([&] { return restarted.events->count("estab") == 1; }));
    ASSERT_TRUE(waitFor([&] { return a.events->count("estab") == 2; }));
    EXPECT_EQ(a.events->log.back(), "estab " + b.address() + " 2 " + id);
    EXPECT_TRUE(a->isConnected());
}

TEST_F(NodeConnectionsTest, AConnectInsideAnEventHandlerWorksAndTheOuterCallGoesOn) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    TestNode& c = addNode("C");
    std::string inner;
    b.events->onEstab = [&] {
        if (inner.empty()) {
            inner = b->Connect(c.address());
        }
    };
    const std::string outer = a->Connect(b.address());
    ASSERT_TRUE(waitFor([&] { return !inner.empty(); }));
    EXPECT_FALSE(outer.empty());
    EXPECT_EQ(connectionsOf(a).size(), 1U);
    EXPECT_EQ(connectionsOf(a).front()->connectionID, outer);
    ASSERT_TRUE(waitFor([&] { return connectedCount(b) == 2; }));
    ASSERT_TRUE(waitFor([&] { return c.events->count("estab") == 1; }));
    EXPECT_EQ(a.events->log, std::vector<std::string>{"estab " + b.address() + " 2 " + outer});
}

TEST_F(NodeConnectionsTest, ShuttingDownTheFirstOfThreeLeavesTheOthersWorking) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    TestNode& c = addNode("C");
    link(a, b);
    link(a, c);
    link(b, c);
    const std::shared_ptr<cQELDiscover> discover = b->newDiscoverInstance();
    const int udpPort = freePort(SOCK_DGRAM);
    a->shutDown();
    EXPECT_EQ(b->sessionIndex(), 1);
    EXPECT_EQ(c->sessionIndex(), 2);
    ASSERT_TRUE(waitFor([&] { return b.events->count("closed") == 1; }));

    b->sendMessage("still here", c.id, "chat");
    ASSERT_TRUE(waitFor([&] { return c.events->messages.size() == 1; }));
    EXPECT_EQ(c.events->messages[0], "still here|chat|" + b.id);
    EXPECT_GE(c->Ping(b.id, 2000), 0);
    EXPECT_EQ(b->getNodeInfo(c.id, false).front().Name, "C");

    TestNode& d = addNode("D");
    link(d, b);  // B's listener still serves B
    EXPECT_TRUE(discover->makeDiscoverable(udpPort));
    EXPECT_NE(b.session()->udpIndex, 0);
    EXPECT_TRUE(b.events->errors.empty());
    EXPECT_TRUE(c.events->errors.empty());
}

}  // namespace
}  // namespace qel::test
