#include "connection_harness.h"

#include "error_codes.h"
#include "support/socket_recorder.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace qel::test {
namespace {

using platform::SocketState;
using tornel::test::letEventsRun;
using tornel::test::patternBytes;
using tornel::test::waitUntil;

using Methods = std::vector<std::string>;

int countOf(const std::vector<std::string>& log, const std::string& prefix) {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& entry) {
        return entry.starts_with(prefix);
    }));
}

TEST_F(ConnectionTest, WritesOnePacketAtATimeInOrder) {
    connectPair();
    const auto first = pendingPacket(packetText("FIRST", patternBytes(200000, 1)));
    const auto second = pendingPacket(packetText("SECOND", patternBytes(1000, 2)));
    const auto third = pendingPacket(packetText("THIRD"));
    std::vector<std::pair<clsPendingPkt*, size_t>> completions;  // what was out, how many waited
    clientRoute.beforeSendComplete = [&](clsSocket& c) {
        completions.emplace_back(c.packetOut.get(), c.outPending.size());
    };
    client->Send(first);
    client->Send(second);
    client->Send(third);
    EXPECT_TRUE(client->Sending);
    EXPECT_EQ(client->packetOut, first);
    EXPECT_EQ(client->outPending.size(), 2U);

    ASSERT_TRUE(waitUntil([&] { return methodsOn(*server).size() == 3; }));
    EXPECT_EQ(methodsOn(*server), (Methods{"FIRST", "SECOND", "THIRD"}));
    EXPECT_EQ(received[0].body, patternBytes(200000, 1));
    ASSERT_TRUE(waitUntil([&] { return !client->Sending; }));
    // Each went out only once the one before it was reported written.
    const std::vector<std::pair<clsPendingPkt*, size_t>> expected = {
        {first.get(), 2}, {second.get(), 1}, {third.get(), 0}};
    EXPECT_EQ(completions, expected);
}

TEST_F(ConnectionTest, SendOnAConnectionThatIsNotConnectedDropsThePacket) {
    client->Send(pendingPacket(packetText("PING")));  // closed
    EXPECT_FALSE(client->Sending);
    EXPECT_EQ(client->packetOut, nullptr);

    listener.setLocalPort(0);
    listener.listen();
    const int refusingPort = listener.localPort();
    listener.close();
    clientControl.connect("127.0.0.1", refusingPort);
    ASSERT_TRUE(waitUntil([&] { return clientControl.state() == SocketState::Error; }));
    client->Send(pendingPacket(packetText("PING")));
    EXPECT_FALSE(client->Sending);
    EXPECT_EQ(client->packetOut, nullptr);
    EXPECT_TRUE(client->outPending.empty());
}

TEST_F(ConnectionTest, AHandlerThatWaitsSeesTheLaterPacketsOnceAndInOrder) {
    connectPair();
    const std::string second = packetText("SECOND", "two\r\n\r\nbody");
    const std::string third = packetText("THIRD", patternBytes(5000, 3));
    onPacket = [&](clsPacket& packet, clsSocket&) {
        if (packet.Method != "FIRST") {
            return;
        }
        // While this handler waits, the peer sends the second packet and the
        // start of the third, then the rest of the third.
        client->Send(pendingPacket(second + third.substr(0, 40)));
        ASSERT_TRUE(waitUntil([&] { return methodsOn(*server).size() == 2; }));
        client->Send(pendingPacket(third.substr(40)));
        ASSERT_TRUE(waitUntil([&] { return methodsOn(*server).size() == 3; }));
    };
    client->Send(pendingPacket(packetText("FIRST", "one")));
    ASSERT_TRUE(waitUntil([&] { return methodsOn(*server).size() >= 3; }));
    letEventsRun(50);
    EXPECT_EQ(methodsOn(*server), (Methods{"FIRST", "SECOND", "THIRD"}));
    EXPECT_EQ(received[1].body, "two\r\n\r\nbody");
    EXPECT_EQ(received[2].body, patternBytes(5000, 3));
}

// Packets that came in one write with a packet whose handler waits are
// handled inside that wait, without waiting for another arrival.
TEST_F(ConnectionTest, PacketsThatCameWithAWaitingOneAreHandledWhileItWaits) {
    connectPair();
    bool seenInside = false;
    onPacket = [&](clsPacket& packet, clsSocket&) {
        if (packet.Method == "FIRST") {
            seenInside = waitUntil([&] { return methodsOn(*server).size() == 3; });
        }
    };
    client->Send(
        pendingPacket(packetText("FIRST") + packetText("SECOND", "two") + packetText("THIRD")));
    ASSERT_TRUE(waitUntil([&] { return methodsOn(*server).size() == 3; }, 10000));
    EXPECT_TRUE(seenInside);
    EXPECT_EQ(methodsOn(*server), (Methods{"FIRST", "SECOND", "THIRD"}));
    EXPECT_EQ(received[1].body, "two");
}

// Handling nests no deeper than its bound: beyond it the packets wait in
// their stream, arrivals too, and follow in order once the waits return.
TEST_F(ConnectionTest, HandlingNestsNoDeeperThanItsBoundAndTheRestFollowsInOrder) {
    connectPair();
    const ReceiveNesting& nesting = library().receiveNesting;
    constexpr size_t kDepth = ReceiveNesting::MaxDepth;
    constexpr size_t kWaiting = kDepth + 8;
    std::string waiting;
    int64_t beyond = 0;  // bytes of the packets the bound keeps waiting
    for (size_t i = 0; i < kWaiting; ++i) {
        const std::string text = packetText("WAIT", std::to_string(i));
        waiting += text;
        beyond += i >= kDepth ? static_cast<int64_t>(text.size()) : 0;
    }
    const std::string last = packetText("LAST");
    size_t deepest = 0;
    bool release = false;
    onPacket = [&](clsPacket& packet, clsSocket&) {
        deepest = std::max(deepest, nesting.depth());
        if (packet.Method != "WAIT" || release) {
            return;
        }
        if (nesting.depth() < kDepth) {
            waitUntil([&] { return release; }, 20000);
            return;
        }
        release = true;
        // The innermost: what is behind it waits, and so does a new arrival.
        client->Send(pendingPacket(last));
        EXPECT_TRUE(waitUntil([&] {
            return nesting.heldConnections() == 1 &&
                   server->incoming.bufferedBytes() == beyond + static_cast<int64_t>(last.size());
        }));
    };
    client->Send(pendingPacket(waiting));
    ASSERT_TRUE(waitUntil([&] { return received.size() == kWaiting + 1; }, 20000));
    EXPECT_EQ(deepest, kDepth);
    for (size_t i = 0; i < kWaiting; ++i) {
        EXPECT_EQ(received[i].method + " " + received[i].body, "WAIT " + std::to_string(i));
    }
    EXPECT_EQ(received.back().method, "LAST");
    EXPECT_EQ(nesting.depth(), 0u);
    EXPECT_EQ(nesting.heldConnections(), 0u);
}

// Connection events whose Error handler runs a script (which may wait).
class ScriptedErrorEvents : public ConnectionEvents {
  public:
    void Error(std::string& message, std::string& nodeID) override {
        ConnectionEvents::Error(message, nodeID);
        if (const std::function<void()> script = std::exchange(onError, nullptr)) {
            script();
        }
    }
    std::function<void()> onError;
};

// The framing's errors are reported once the cut is over; an arrival while
// the Error handler waits joins the stream behind the packet being cut.
TEST_F(ConnectionTest, AnArrivalWhileAFramingErrorIsReportedWaitsForTheCutUnderWay) {
    const auto scripted = std::make_shared<ScriptedErrorEvents>();
    node->owner = scripted;
    connectPair();
    scripted->onError = [&] {
        EXPECT_TRUE(received.empty());
        client->Send(pendingPacket(packetText("PING")));
        ASSERT_TRUE(waitUntil([&] { return server->incoming.bufferedBytes() > 0; }));
        EXPECT_TRUE(received.empty());
    };
    client->Send(pendingPacket("MSG  QEL/2.1\r\nBad\nName: x\r\nContent-Length: 3\r\n\r\nabc"));
    ASSERT_TRUE(waitUntil([&] { return methodsOn(*server).size() == 2; }));
    EXPECT_EQ(methodsOn(*server), (Methods{"MSG", "PING"}));
    EXPECT_EQ(received[0].body, "abc");
    EXPECT_EQ(scripted->errors,
              std::vector<std::string>{errorLine(
                  code::NewLineInField, "New line characters illegal in header fields", {})});
}

TEST_F(ConnectionTest, EstablishmentIsReportedOnceAndAnnouncesTheNodeWhenItShould) {
    for (const bool announce : {true, false}) {
        SCOPED_TRACE(announce);
        node->announceSelf = announce;
        events->log.clear();
        infoSent.clear();
        connectPair();
        client->connectionEstab();  // reported twice
        EXPECT_EQ(events->log, std::vector<std::string>{"estab " + client->Address + " 2 " +
                                                        client->connectionID});
        EXPECT_EQ(infoSent, announce ? std::vector<std::string>{"BROADCAST " + client->connectionID}
                                     : std::vector<std::string>{});
        EXPECT_TRUE(node->connected);
        client->closeConnection(true);
        ASSERT_TRUE(waitUntil([&] { return serverControl.state() == SocketState::Closed; }));
        listener.close();
    }
}

TEST_F(ConnectionTest, APeerCloseOfAMaintainedConnectionReconnectsIt) {
    connectPair();
    client->Maintain = true;
    const std::string id = client->connectionID;
    serverControl.close();
    ASSERT_TRUE(waitUntil([&] { return !reconnected.empty(); }));
    letEventsRun(50);
    EXPECT_EQ(reconnected, std::vector<clsSocket*>{client.get()});
    EXPECT_EQ(countOf(events->log, "closed "), 1);
    EXPECT_EQ(events->log.back(), "closed " + client->Address + "  " + id);
    EXPECT_EQ(client->connectionID, id);
    EXPECT_FALSE(client->isConnected);
    EXPECT_FALSE(node->connected);
}

TEST_F(ConnectionTest, AReconnectedConnectionWritesAgainAfterAWriteWasCutOff) {
    connectPair();
    client->Maintain = true;
    client->Send(pendingPacket(packetText("CUT", patternBytes(100000))));
    client->Send(pendingPacket(packetText("DROPPED")));
    client->closeConnection(false);  // as the peer's close would, with the write in flight
    EXPECT_FALSE(client->Sending);
    EXPECT_TRUE(client->outPending.empty());
    EXPECT_EQ(client->packetOut, nullptr);
    ASSERT_EQ(reconnected, std::vector<clsSocket*>{client.get()});

    ASSERT_TRUE(waitUntil([&] { return serverControl.state() == SocketState::Closed; }));
    clientControl.connect("127.0.0.1", listener.localPort());  // the reconnect
    ASSERT_TRUE(waitUntil(
        [&] { return client->isConnected && serverControl.state() == SocketState::Connected; }));
    client->Send(pendingPacket(packetText("AGAIN")));
    ASSERT_TRUE(waitUntil([&] {
        const Methods methods = methodsOn(*server);
        return !methods.empty() && methods.back() == "AGAIN";
    }));
    // What was cut off may have arrived whole; what waited behind it never goes out.
    const Methods methods = methodsOn(*server);
    EXPECT_EQ(std::count(methods.begin(), methods.end(), "DROPPED"), 0);
    EXPECT_EQ(countOf(events->log, "estab " + client->Address), 2);
}

TEST_F(ConnectionTest, ACloseTheNodeAsksForOrOneWhileDisconnectingIsNotReconnected) {
    for (const bool userInitiated : {true, false}) {
        SCOPED_TRACE(userInitiated);
        node->disconnecting = !userInitiated;
        events->log.clear();
        connectPair();
        client->Maintain = true;
        client->closeConnection(userInitiated);
        EXPECT_EQ(client->Maintain, !userInitiated);
        EXPECT_EQ(countOf(events->log, "closed " + client->Address), 1);
        EXPECT_TRUE(reconnected.empty());
        EXPECT_EQ(clientControl.state(), SocketState::Closed);
        client->closeConnection(userInitiated);  // already closed: nothing more
        EXPECT_EQ(countOf(events->log, "closed " + client->Address), 1);
        ASSERT_TRUE(waitUntil([&] { return serverControl.state() == SocketState::Closed; }));
        listener.close();
    }
}

TEST_F(ConnectionTest, AUserCloseStopsAConnectInProgressSilently) {
    listener.setLocalPort(0);
    listener.listen();
    client->Maintain = true;
    clientControl.connect("127.0.0.1", listener.localPort());
    client->closeConnection(true);
    EXPECT_EQ(clientControl.state(), SocketState::Closed);
    EXPECT_FALSE(client->Maintain);
    letEventsRun(100);
    EXPECT_FALSE(client->isConnected);
    EXPECT_EQ(countOf(events->log, "estab "), 0);
    EXPECT_EQ(countOf(events->log, "closed "), 0);
}

TEST_F(ConnectionTest, AConnectionWhoseNodeIsGoneIsClosedAndReadNoFurther) {
    connectPair();
    onPacket = [this](clsPacket&, clsSocket&) { removeSession(*node); };
    client->Send(pendingPacket(packetText("FIRST") + packetText("SECOND")));
    ASSERT_TRUE(waitUntil([&] { return serverControl.state() == SocketState::Closed; }));
    EXPECT_EQ(methodsOn(*server), Methods{"FIRST"});
    // The client's close event finds its node gone too: closed, nothing raised.
    ASSERT_TRUE(waitUntil([&] { return clientControl.state() == SocketState::Closed; }));
    EXPECT_EQ(countOf(events->log, "closed "), 0);
}

TEST_F(ConnectionTest, AStreamThatCannotBeFramedClosesTheConnection) {
    connectPair();
    client->Send(pendingPacket("MSG  QEL/2.1\r\nContent-Length: -5\r\n\r\nPING  QEL/2.1\r\n\r\n"));
    ASSERT_TRUE(waitUntil([&] { return serverControl.state() == SocketState::Closed; }));
    EXPECT_EQ(events->errors, std::vector<std::string>{"Error 13: Type mismatch"});
    EXPECT_EQ(countOf(events->log, "closed   " + server->connectionID), 1);  // no address yet
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(server->incoming.bufferedBytes(), 0);
    ASSERT_TRUE(waitUntil([&] { return !client->isConnected; }));
}

// Packets that wait in a held stream when the peer closes are the peer's
// last word: they are handled, in order, and only then is the connection
// closed, once. A stream is held at the nesting bound, or by a relay.
TEST_F(ConnectionTest, PacketsHeldAtTheNestingBoundAreHandledBeforeThePeersClose) {
    connectPair();
    const ReceiveNesting& nesting = library().receiveNesting;
    constexpr size_t kDepth = ReceiveNesting::MaxDepth;
    constexpr size_t kWaiting = kDepth + 4;
    std::string waiting;
    for (size_t i = 0; i < kWaiting; ++i) {
        waiting += packetText("WAIT", std::to_string(i));
    }
    bool release = false;
    int closedWhenLast = -1;
    onPacket = [&](clsPacket& packet, clsSocket&) {
        if (packet.Method == "LAST") {
            closedWhenLast = countOf(events->log, "closed ");
        }
        if (packet.Method != "WAIT" || release) {
            return;
        }
        if (nesting.depth() < kDepth) {
            waitUntil([&] { return release; }, 20000);
            return;
        }
        // The innermost: the peer sends one more and closes while the rest waits.
        client->Send(pendingPacket(packetText("LAST")));
        ASSERT_TRUE(waitUntil([&] { return !client->Sending; }));
        clientControl.close();
        EXPECT_TRUE(waitUntil([&] { return serverControl.state() == SocketState::PeerClosed; }));
        EXPECT_EQ(countOf(events->log, "closed "), 0);
        release = true;
    };
    client->Send(pendingPacket(waiting));
    ASSERT_TRUE(waitUntil([&] { return countOf(events->log, "closed ") == 1; }, 20000));
    ASSERT_EQ(received.size(), kWaiting + 1);
    for (size_t i = 0; i < kWaiting; ++i) {
        EXPECT_EQ(received[i].method + " " + received[i].body, "WAIT " + std::to_string(i));
    }
    EXPECT_EQ(received.back().method, "LAST");
    EXPECT_EQ(closedWhenLast, 0);
    EXPECT_FALSE(server->waitingForRoom);  // the mark went with the stream
    EXPECT_EQ(nesting.heldConnections(), 0U);
    letEventsRun(50);
    EXPECT_EQ(countOf(events->log, "closed "), 1);
}

TEST_F(ConnectionTest, PacketsHeldByARelayAreHandledBeforeThePeersClose) {
    connectPair();
    server->holdReading("RELAY");
    client->Send(pendingPacket(packetText("ONE", "1") + packetText("TWO")));
    ASSERT_TRUE(waitUntil([&] { return !client->Sending; }));
    clientControl.close();
    ASSERT_TRUE(waitUntil([&] { return serverControl.state() == SocketState::PeerClosed; }));
    letEventsRun(50);
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(countOf(events->log, "closed "), 0);

    server->releaseReading("RELAY");
    ASSERT_TRUE(waitUntil([&] { return countOf(events->log, "closed ") == 1; }));
    EXPECT_EQ(methodsOn(*server), (Methods{"ONE", "TWO"}));
    EXPECT_EQ(received[0].body, "1");
    EXPECT_FALSE(server->readingHeld());
    EXPECT_FALSE(server->isConnected);
}

// A source whose reading a relay held closes and comes back: the relay holds
// it again the next time its queue is over the mark.
TEST_F(ConnectionTest, ARelayHoldsASourceAgainAfterItClosedAndCameBack) {
    connectPair();
    library().outgoingBounds.holdForwardedAtBytes = 1024;
    const auto forwardedFrom = [&](const std::shared_ptr<clsSocket>& source) {
        auto pending = pendingPacket(packetText("RELAYED", patternBytes(4096)));
        pending->forwarded = true;
        pending->Destination = "NODE-FAR";
        pending->sourceSck = source;
        return pending;
    };
    client->Send(forwardedFrom(server));
    EXPECT_TRUE(server->readingHeld());
    server->resetStreams();  // closed and reconnected: every hold on it is gone
    EXPECT_FALSE(server->readingHeld());
    client->Send(forwardedFrom(server));
    EXPECT_TRUE(server->readingHeld());
    ASSERT_TRUE(waitUntil([&] { return !client->Sending; }, 20000));
    EXPECT_FALSE(server->readingHeld());
}

// The transfer engine hears of each FILE chunk a connection has written out,
// and what it sends meanwhile queues behind the packets already waiting.
class PacingTest : public ConnectionTest {
  protected:
    PacingTest() {
        services->chunkWritten = [this](Session& s, const clsPendingPkt& chunk,
                                        const std::shared_ptr<clsSocket>& by) {
            EXPECT_EQ(&s, node.get());
            EXPECT_EQ(by, client);
            written.push_back(chunk.reqID + " " + std::to_string(*chunk.fileProgress));
            if (chunk.reqID == "R1") {
                client->Send(pendingPacket(packetText("NEXTCHUNK")));
            }
        };
    }

    static std::shared_ptr<clsPendingPkt> chunk(const std::string& reqID,
                                                std::optional<int64_t> lastByte) {
        auto pending = pendingPacket(packetText("FILE", patternBytes(1024)));
        pending->reqID = reqID;
        pending->fileProgress = lastByte;
        return pending;
    }

    std::vector<std::string> written;
};

TEST_F(PacingTest, AWrittenChunkIsReportedAndTheNextChunkQueuesLast) {
    connectPair();
    client->Send(chunk("R1", 1023));
    client->Send(pendingPacket(packetText("WAITING1")));
    client->Send(pendingPacket(packetText("WAITING2")));
    ASSERT_TRUE(waitUntil([&] { return methodsOn(*server).size() == 4; }));
    EXPECT_EQ(methodsOn(*server), (Methods{"FILE", "WAITING1", "WAITING2", "NEXTCHUNK"}));
    EXPECT_EQ(written, std::vector<std::string>{"R1 1023"});
}

TEST_F(PacingTest, OnlyAPacketCarryingAChunkIsReported) {
    struct Case {
        const char* what;
        std::string reqID;
        std::optional<int64_t> lastByte;
        std::vector<std::string> written;
    };
    const Case cases[] = {
        {"a chunk", "R2", 10, {"R2 10"}},
        {"no range", "R2", std::nullopt, {}},
        {"no request", "", 10, {}},
    };
    connectPair();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        written.clear();
        client->Send(chunk(c.reqID, c.lastByte));
        ASSERT_TRUE(waitUntil([&] { return !client->Sending; }));
        EXPECT_EQ(written, c.written);
    }
}

}  // namespace
}  // namespace qel::test
