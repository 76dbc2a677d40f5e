#include "connection_harness.h"
#include "node_fixture.h"

#include "error_codes.h"
#include "pending_packet.h"
#include "reconnect_backoff.h"
#include "send_pipeline.h"

#include "platform/event_loop.h"
#include "platform/runtime_error.h"
#include "platform/timer.h"
#include "support/silent_caller.h"

#include <gtest/gtest.h>

#include <tuple>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace qel::test {
namespace {

using platform::SocketState;

// A port nothing listens on (just released by a listener).
int closedPort() {
    platform::SocketControl probe;
    probe.listen();
    const int port = probe.localPort();
    probe.close();
    return port;
}

int64_t elapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 since)
        .count();
}

// A listener on 127.0.0.1 with a backlog of 0 that never accepts, its queue
// filled, so the system drops further connection attempts: they hang.
class FullListener {
  public:
    FullListener() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener_, 0);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        for (int& client : fillers_) {
            client = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        }
        platform::sleepMs(50);
    }
    ~FullListener() {
        for (const int client : fillers_) {
            ::close(client);
        }
        ::close(listener_);
    }
    FullListener(const FullListener&) = delete;
    FullListener& operator=(const FullListener&) = delete;

    int port() const { return port_; }

  private:
    int listener_ = -1;
    int port_ = 0;
    int fillers_[3] = {-1, -1, -1};
};

class ConnectionManagerTest : public NodesTest {
  protected:
    Node a = addNode();
    Node b = addNode();
};

TEST(SplitAddress, TakesThePortAfterTheLastColon) {
    struct Case {
        const char* address;
        const char* host;
        int32_t port;
    };
    for (const Case& c :
         {Case{"10.0.0.5:20210", "10.0.0.5", 20210}, Case{"10.0.0.5", "10.0.0.5", 7},
          Case{"a:80:81", "a:80", 81}, Case{"h:65535", "h", 65535}}) {
        SCOPED_TRACE(c.address);
        const ConnectTarget target = splitAddress(c.address, 7);
        EXPECT_EQ(target.host, c.host);
        EXPECT_EQ(target.port, c.port);
    }
    for (const char* bad : {"h:x", "h:70000", "h:0", "h:", "h:-1", "h: 80", "h:0000080000"}) {
        SCOPED_TRACE(bad);
        try {
            splitAddress(bad, 7);
            ADD_FAILURE() << "accepted";
        } catch (const platform::RuntimeError& error) {
            EXPECT_EQ(error.number(), platform::rt::TypeMismatch);
        }
    }
}

TEST_F(ConnectionManagerTest, ConnectsToTheAddressOrTheSessionsPortAndRefusesBadPorts) {
    const int port = listen(a);
    b.session->listenPort = port;
    switchSession(b.session);
    EXPECT_EQ(connectTo("127.0.0.1", false, false, nullptr, true, true), "");  // asynchronous
    ASSERT_TRUE(waitFor([&] { return b.events->count("estab 127.0.0.1 2 ") == 1; }));
    EXPECT_EQ(connectionsOf(b).at(0)->sck()->remotePort(), port);

    for (const char* bad : {"127.0.0.1:x", "127.0.0.1:70000"}) {
        SCOPED_TRACE(bad);
        b.events->errors.clear();
        EXPECT_EQ(connect(b, bad), "");
        EXPECT_EQ(b.events->errors, std::vector<std::string>{"Error 13: Type mismatch"});
    }
    const size_t connections = library().connectionTable.size();
    for (const char* blank : {"", "   "}) {
        EXPECT_EQ(connect(b, blank), "");
    }
    EXPECT_EQ(library().connectionTable.size(), connections);
}

TEST_F(ConnectionManagerTest, ReusesOnlyAConnectionOfTheSameSession) {
    const std::string address = loopback(listen(a));
    const std::string first = connect(b, address);
    ASSERT_FALSE(first.empty());
    ASSERT_TRUE(waitFor([&] { return connectionsOf(a).size() == 1; }));
    const size_t connections = library().connectionTable.size();

    EXPECT_EQ(connect(b, address), first);
    switchSession(b.session);
    EXPECT_EQ(connectTo(address, false, false, nullptr, true, true), first);
    EXPECT_EQ(library().connectionTable.size(), connections);
    // Asked to keep it up, the reused connection becomes maintained.
    EXPECT_FALSE(connection(first)->Maintain);
    EXPECT_EQ(connect(b, address, true), first);
    EXPECT_TRUE(connection(first)->Maintain);

    const Node other = addNode();
    const std::string second = connect(other, address);
    EXPECT_FALSE(second.empty());
    EXPECT_NE(second, first);
    switchSession(other.session);
    EXPECT_EQ(connectTo(address, false, false, nullptr, true, false), "");  // a fresh start
}

TEST_F(ConnectionManagerTest, AcceptsARequestAsAnIncomingConnectionOfTheListenersNode) {
    const int port = listen(a);
    const std::string id = connect(b, loopback(port));
    ASSERT_FALSE(id.empty());
    ASSERT_TRUE(waitFor([&] { return a.events->count("estab ") == 1; }));
    const std::shared_ptr<clsSocket> accepted = connectionsOf(a).at(0);
    EXPECT_EQ(a.events->log, (std::vector<std::string>{
                                 "req 127.0.0.1", "estab 127.0.0.1 1 " + accepted->connectionID}));
    EXPECT_TRUE(accepted->isConnected);
    EXPECT_TRUE(a.session->connected);
    EXPECT_EQ(accepted->Address, "");
    EXPECT_EQ(b.events->log, std::vector<std::string>{"estab " + loopback(port) + " 2 " + id});
    EXPECT_TRUE(b.session->connected);
}

TEST_F(ConnectionManagerTest, NoConnectionForARequestCancelledOrAnsweredTooLate) {
    const int port = listen(a);
    SocketHost& host = socketHost();
    const std::vector<std::pair<const char*, std::function<void(bool&)>>> answers = {
        {"cancelled", [](bool& cancel) { cancel = true; }},
        {"listener closed", [&](bool&) { host.sckListen[0].close(); }},
        {"node disconnecting", [&](bool&) { a.session->disconnecting = true; }},
    };
    for (const auto& [name, answer] : answers) {
        SCOPED_TRACE(name);
        if (host.sckListen[0].state() != SocketState::Listening) {
            switchSession(a.session);
            ASSERT_TRUE(ListenOnPort(port));
        }
        a.session->disconnecting = false;
        a.events->log.clear();
        b.events->log.clear();
        a.events->onRequest = answer;
        connect(b, loopback(port), false, false);
        // The peer sees its connection closed.
        ASSERT_TRUE(waitFor([&] { return b.events->count("closed ") == 1; }));
        EXPECT_EQ(a.events->log, std::vector<std::string>{"req 127.0.0.1"});
        EXPECT_TRUE(connectionsOf(a).empty());
    }
}

TEST_F(ConnectionManagerTest, ListeningTwiceOnAPortReportsItInUse) {
    const int first = listen(a);
    switchSession(a.session);
    a.events->errors.clear();
    EXPECT_FALSE(ListenOnPort(first));
    EXPECT_EQ(a.events->errors,
              std::vector<std::string>{"Error -2147221501: Listen port already in use"});

    // Every open listener counts, also one behind a closed element.
    const int second = closedPort();
    ASSERT_TRUE(ListenOnPort(second));
    socketHost().sckListen[0].close();
    a.events->errors.clear();
    EXPECT_FALSE(ListenOnPort(second));
    EXPECT_EQ(a.events->errors,
              std::vector<std::string>{"Error -2147221501: Listen port already in use"});
    EXPECT_TRUE(ListenOnPort(first));
    EXPECT_EQ(socketHost().sckListen.count(), 2U);
    EXPECT_TRUE(a.session->listening);

    a.events->errors.clear();
    EXPECT_FALSE(ListenOnPort(70000));
    EXPECT_EQ(a.events->errors.size(), 1U);
}

TEST_F(ConnectionManagerTest, PurgesClosedUnmaintainedConnectionsAndReusesTheirElements) {
    SocketHost& host = socketHost();
    // Named, not structured bindings: lambdas below capture them.
    std::shared_ptr<clsSocket> outgoing, accepted;
    std::tie(outgoing, accepted) = link(b, a);
    EXPECT_EQ(outgoing->sck(), &host.sck[0]);
    EXPECT_EQ(accepted->sck(), &host.sck[1]);

    // A failed connect, never maintained, stays in its state until purged.
    switchSession(b.session);
    connectTo(loopback(closedPort()), false, false, nullptr, true, false);
    const std::shared_ptr<clsSocket> failed = connectionsOf(b).back();
    ASSERT_TRUE(waitFor([&] { return failed->state() == SocketState::Error; }));
    EXPECT_EQ(failed->sck(), &host.sck[2]);

    outgoing->closeConnection(true);
    ASSERT_TRUE(waitFor([&] { return accepted->state() == SocketState::Closed; }));
    const Node c = addNode();
    const auto [next, nextAccepted] = link(b, c);
    // Each closed or failed connection left the table and its element.
    for (const auto& gone : {outgoing, accepted, failed}) {
        EXPECT_FALSE(library().connectionTable.contains(gone->connectionID));
        EXPECT_EQ(gone->sck(), nullptr);
    }
    EXPECT_EQ(next->sck(), &host.sck[0]);
    EXPECT_EQ(nextAccepted->sck(), &host.sck[1]);
    EXPECT_EQ(host.sck[2].tag, "");
    EXPECT_EQ(host.sck.count(), 3U);

    // A stale packet on the purged connection never reaches the element's new peer.
    outgoing->Send(pendingPacket(packetText("STALE")));
    clsPacket stale;
    stale.Method = "STALE";
    sendPacket(stale, nullptr, outgoing);
    clsPacket fresh;
    fresh.Method = "FRESH";
    sendPacket(fresh, nullptr, next);
    ASSERT_TRUE(waitFor([&] { return arrivalsAt(c, "FRESH").size() == 1; }));
    EXPECT_TRUE(arrivalsAt(c, "STALE").empty());
}

TEST_F(ConnectionManagerTest, AClosedMaintainedConnectionKeepsItsElement) {
    SocketHost& host = socketHost();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connect(b, loopback(closedPort())), "");
    const std::string kept = connect(b, loopback(closedPort()), true);
    EXPECT_LT(elapsedMs(start), 1000);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(connection(kept)->state(), SocketState::Closed);
    EXPECT_EQ(connection(kept)->sck(), &host.sck[0]);  // the failed one's, purged

    link(b, a);
    EXPECT_EQ(connection(kept)->sck(), &host.sck[0]);
    EXPECT_EQ(connectionsOf(b).back()->sck(), &host.sck[1]);
    EXPECT_EQ(host.sck.count(), 3U);
}

TEST_F(ConnectionManagerTest, AHangingConnectEndsWithinItsTimeout) {
    const FullListener full;
    b.session->Timeout = 300;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connect(b, loopback(full.port())), "");
    const int64_t took = elapsedMs(start);
    EXPECT_GE(took, 290);
    EXPECT_LT(took, 1500);

    // A disconnect inside the wait ends it too.
    b.session->Timeout = 5000;
    platform::Timer disconnect([&] {
        disconnect.setEnabled(false);
        for (const auto& c : connectionsOf(b)) {
            c->closeConnection(true);
        }
    });
    disconnect.setInterval(100);
    disconnect.setEnabled(true);
    const auto again = std::chrono::steady_clock::now();
    EXPECT_EQ(connect(b, loopback(full.port()), false, false), "");
    EXPECT_LT(elapsedMs(again), 1000);
}

TEST_F(ConnectionManagerTest, AMaintainedConnectionIsRetriedEveryFiveSecondsInItsOwnSession) {
    platform::ScopedTestClock clock;
    SocketHost& host = socketHost();
    const int port = closedPort();
    b.session->listenPort = port;
    const std::string id = connect(b, "127.0.0.1", true);
    ASSERT_FALSE(id.empty());
    const std::shared_ptr<clsSocket> kept = connection(id);
    EXPECT_EQ(kept->state(), SocketState::Closed);

    // Each pass connects at once, so a pass that retries leaves it connecting.
    const auto pass = [&] {
        host.timSck_Timer();
        return kept->state() != SocketState::Closed && kept->state() != SocketState::Error;
    };
    EXPECT_TRUE(pass());
    ASSERT_TRUE(waitFor([&] { return kept->state() == SocketState::Error; }));
    clock.advance(4999);
    EXPECT_FALSE(pass());
    clock.advance(1);

    // A listener appears; the next pass reconnects, in the connection's own
    // session (its port), whichever node is current.
    switchSession(a.session);
    ASSERT_TRUE(ListenOnPort(port));
    const Node other = addNode();
    other.session->listenPort = 1;
    EXPECT_TRUE(pass());
    ASSERT_TRUE(waitFor([&] { return b.events->count("estab 127.0.0.1 2 " + id) == 1; }));
    EXPECT_TRUE(waitFor([&] { return a.events->count("estab ") == 1; }));
    EXPECT_EQ(currentSession(), other.session);

    // Its address rewritten (as node information does), it is still the
    // connection to the address first given.
    kept->Address = loopback(port);
    kept->closeConnection(false);
    EXPECT_EQ(kept->originalAddress, "127.0.0.1");
    EXPECT_EQ(connect(b, "127.0.0.1", true), id);

    // Once its node is gone, it is never tried again.
    kept->closeConnection(false);
    removeSession(*b.session);
    clock.advance(5000);
    EXPECT_FALSE(pass());
}

TEST_F(ConnectionManagerTest, AFailedEstablishedConnectionIsClosedAsIfByItsPeer) {
    const int port = listen(a);
    const std::string id = connect(b, loopback(port), true);
    ASSERT_FALSE(id.empty());
    const std::shared_ptr<clsSocket> kept = connection(id);
    // A reset reaches a connected control as an error, without a Close.
    socketHost().connectionEvents().onError(*kept->sck(), platform::sockerr::ConnectionReset,
                                            "reset");
    EXPECT_EQ(b.events->count("closed " + loopback(port) + "  " + id), 1);
    EXPECT_FALSE(b.session->connected);
    // Maintained, it comes back, and is reported established again.
    ASSERT_TRUE(waitFor([&] { return b.events->count("estab ") == 2; }));
    EXPECT_TRUE(kept->isConnected);
    EXPECT_TRUE(b.session->connected);
}

TEST(ReconnectBackoff, WaitsOneSecondDoublingToAMinuteAndStartsAfreshAfterALongLife) {
    ReconnectBackoff backoff;
    int64_t now = 1000;
    EXPECT_TRUE(backoff.due(now));
    backoff.attempted(now);
    EXPECT_TRUE(backoff.due(now));  // a second try straight away
    for (const int64_t delay : {1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000}) {
        backoff.attempted(now);
        EXPECT_FALSE(backoff.due(now + delay - 1)) << delay;
        EXPECT_TRUE(backoff.due(now + delay)) << delay;
        now += delay;
    }
    backoff.established(now);
    backoff.dropped(now + ReconnectBackoff::SettledAfterMs - 1);  // short-lived: no reset
    backoff.attempted(now);
    EXPECT_FALSE(backoff.due(now + 59999));
    backoff.established(now);
    backoff.dropped(now + ReconnectBackoff::SettledAfterMs);
    EXPECT_TRUE(backoff.due(now));
    backoff.attempted(now);
    backoff.attempted(now);
    EXPECT_TRUE(backoff.due(now + 1000));
}

TEST_F(ConnectionManagerTest, AMaintainedConnectionToAPeerThatDropsItAtOnceBacksOff) {
    const int port = listen(a);
    a.events->onRequest = [](bool& cancel) { cancel = true; };  // accepted, then closed at once
    connect(b, loopback(port), true);
    waitFor([] { return false; }, 900);
    EXPECT_GE(a.events->count("req "), 1);
    EXPECT_LE(a.events->count("req "), 3);
}

TEST_F(ConnectionManagerTest, APeerThatStopsReadingIsClosedAtTheBoundsWhileTheNodeGoesOn) {
    platform::ScopedTestClock clock;
    const int port = listen(a);
    const std::string chunk = packetText("MSG", std::string(1024 * 1024, 'x'));
    struct Row {
        const char* bound;
        int packets;
        int64_t advanceMs;
    };
    for (const Row& row : {Row{"queued bytes", 80, 0}, Row{"no progress", 24, 60000}}) {
        SCOPED_TRACE(row.bound);
        const int closedBefore = a.events->count("closed ");
        tornel::test::SilentCaller peer(port, "SILENT-PEER");
        ASSERT_TRUE(peer.connected());
        const auto accepted = [&] {
            const auto connections = connectionsOf(a);
            return connections.empty() || !connections.back()->isConnected ? nullptr
                                                                           : connections.back();
        };
        ASSERT_TRUE(waitFor([&] { return accepted() != nullptr; }));
        const std::shared_ptr<clsSocket> toPeer = accepted();
        switchSession(a.session);
        for (int i = 0; i < row.packets && toPeer->isConnected; ++i) {
            toPeer->Send(pendingPacket(chunk));
        }
        // What the system takes is written; then the writes stall.
        waitFor([] { return false; }, 300);
        clock.advance(row.advanceMs);
        // A stall closes once two passes in a row see it.
        socketHost().timSck_Timer();
        socketHost().timSck_Timer();
        EXPECT_FALSE(toPeer->isConnected);
        EXPECT_EQ(a.events->count("closed "), closedBefore + 1);
    }
    // The node still answers its other peers.
    const std::shared_ptr<clsSocket> fromB = connection(connect(b, loopback(port), false, false));
    ASSERT_NE(fromB, nullptr);
    fromB->Send(pendingPacket(packetText("MSG", "still here")));
    EXPECT_TRUE(waitFor([&] { return arrivalsAt(a, "MSG").size() == 1; }));
}

TEST_F(ConnectionManagerTest, RatesAreTheBytesAndPacketsOfTheLastTickPerSecond) {
    LibraryState& lib = library();
    lib.timers->statistics.setEnabled(false);
    // Named, not structured bindings: lambdas below capture them.
    std::shared_ptr<clsSocket> outgoing, accepted;
    std::tie(outgoing, accepted) = link(b, a);
    lib.counters = TrafficCounters();
    const std::string text = packetText("MSG");
    outgoing->Send(pendingPacket(text));
    ASSERT_TRUE(waitFor([&] {
        return arrivalsAt(a, "MSG").size() == 1 &&
               lib.counters.bytesOut == static_cast<int64_t>(text.size());
    }));
    lib.counters.packetsIn = 3;
    socketHost().timStats_Timer();
    EXPECT_EQ(lib.counters.OutByteSpeed, 2 * static_cast<int64_t>(text.size()));
    EXPECT_EQ(lib.counters.InByteSpeed, 2 * static_cast<int64_t>(text.size()));
    EXPECT_EQ(lib.counters.InPacketRate, 6);
    EXPECT_EQ(lib.counters.bytesIn, 0);
    EXPECT_EQ(lib.counters.bytesOut, 0);
}

}  // namespace
}  // namespace qel::test
