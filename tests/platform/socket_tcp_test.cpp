#include "platform/event_loop.h"
#include "platform/runtime_error.h"
#include "platform/socket_control.h"
#include "support/socket_recorder.h"
#include "support/wait.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using platform::SocketControl;
using platform::SocketState;
using tornel::test::InsideOperation;
using tornel::test::letEventsRun;
using tornel::test::patternBytes;
using tornel::test::SocketRecorder;
using tornel::test::waitUntil;
namespace sockerr = platform::sockerr;

namespace {

// A listener, the element that accepts its requests, and a client.
class TcpSocketTest : public ::testing::Test {
  protected:
    SocketRecorder listenerEvents;
    SocketRecorder serverEvents;
    SocketRecorder clientEvents;
    SocketControl listener{&listenerEvents};
    SocketControl server{&serverEvents};
    SocketControl client{&clientEvents};

    void TearDown() override {
        EXPECT_FALSE(listenerEvents.raisedInsideOperation);
        EXPECT_FALSE(serverEvents.raisedInsideOperation);
        EXPECT_FALSE(clientEvents.raisedInsideOperation);
    }

    int listenOnFreePort() {
        listener.setLocalPort(0);
        listener.listen();
        EXPECT_EQ(listener.state(), SocketState::Listening);
        return listener.localPort();
    }

    void acceptRequestsOn(SocketControl& element) {
        listenerEvents.onRequest = [&element](SocketControl&, int64_t requestId) {
            InsideOperation inside;
            element.accept(requestId);
        };
    }

    void connectClient(int port) {
        InsideOperation inside;
        client.connect("127.0.0.1", port);
    }

    void connectPair() {
        acceptRequestsOn(server);
        connectClient(listenOnFreePort());
        ASSERT_TRUE(waitUntil([&] {
            return client.state() == SocketState::Connected &&
                   server.state() == SocketState::Connected;
        }));
    }
};

TEST_F(TcpSocketTest, ConnectsAndAcceptsThroughConnectionRequest) {
    std::string requesterIp;
    listenerEvents.onRequest = [&](SocketControl& requested, int64_t requestId) {
        requesterIp = requested.remoteHostIP();
        {
            InsideOperation inside;
            server.accept(requestId);
        }
        EXPECT_EQ(server.state(), SocketState::Connected);  // at once, no Connect event
    };
    const int port = listenOnFreePort();
    connectClient(port);
    EXPECT_EQ(client.state(), SocketState::Connecting);
    ASSERT_TRUE(waitUntil([&] { return client.state() == SocketState::Connected; }));

    EXPECT_EQ(requesterIp, "127.0.0.1");
    EXPECT_EQ(client.remoteHostIP(), "127.0.0.1");
    EXPECT_EQ(client.remotePort(), port);
    EXPECT_EQ(server.remoteHostIP(), "127.0.0.1");
    EXPECT_EQ(server.remotePort(), client.localPort());
    EXPECT_EQ(clientEvents.log, std::vector<std::string>{"Connect"});

    client.sendData("ping");
    server.sendData("pong");
    ASSERT_TRUE(
        waitUntil([&] { return serverEvents.data == "ping" && clientEvents.data == "pong"; }));
    EXPECT_EQ(serverEvents.count("Connect"), 0);
    EXPECT_EQ(listener.state(), SocketState::Listening);
}

TEST_F(TcpSocketTest, RequestNotAcceptedIsSeenClosedByThePeer) {
    connectClient(listenOnFreePort());
    ASSERT_TRUE(waitUntil([&] { return clientEvents.count("Close") == 1; }));
    EXPECT_EQ(listenerEvents.log, std::vector<std::string>{"Request"});
    EXPECT_EQ(client.state(), SocketState::PeerClosed);
    EXPECT_EQ(listener.state(), SocketState::Listening);
}

// Inside the request's handler: the peer writes and goes before the accept.
void peerWritesAndGoes(SocketControl& peer) {
    ASSERT_TRUE(waitUntil([&] { return peer.state() == SocketState::Connected; }))
        << int(peer.state());
    peer.sendData("hello");
    peer.close();
    letEventsRun(200);
}

TEST_F(TcpSocketTest, AcceptDeliversWhatArrivedBeforeItAndAnEarlyPeerClose) {
    listenerEvents.onRequest = [&](SocketControl&, int64_t requestId) {
        peerWritesAndGoes(client);
        InsideOperation inside;
        server.accept(requestId);
    };
    connectClient(listenOnFreePort());

    ASSERT_TRUE(waitUntil([&] { return serverEvents.count("Close") == 1; }));
    EXPECT_EQ(serverEvents.log, (std::vector<std::string>{"Data", "Close"}));
    EXPECT_EQ(serverEvents.data, "hello");
    EXPECT_EQ(server.state(), SocketState::PeerClosed);
}

TEST_F(TcpSocketTest, WaitingDataArrivalHandlerReceivesLaterBytesNested) {
    connectPair();
    const std::string later = patternBytes(256 * 1024, 1);
    const std::string expected = "first" + later + "last";
    int depth = 0;
    bool nestedArrival = false;
    serverEvents.afterData = [&](SocketControl&) {
        if (depth > 0) {
            nestedArrival = true;
            return;
        }
        if (serverEvents.data != "first") {
            return;
        }
        ++depth;
        client.sendData(later);
        EXPECT_TRUE(waitUntil([&] { return serverEvents.data.size() == 5 + later.size(); }));
        --depth;
    };
    client.sendData("first");
    ASSERT_TRUE(waitUntil([&] { return serverEvents.data.size() == 5 + later.size(); }));
    client.sendData("last");
    ASSERT_TRUE(waitUntil([&] { return serverEvents.data.size() == expected.size(); }));
    EXPECT_TRUE(nestedArrival);
    EXPECT_TRUE(serverEvents.data == expected);  // every byte once, in order
}

TEST_F(TcpSocketTest, BytesSentJustBeforeThePeerClosesArriveBeforeItsClose) {
    connectPair();
    const std::string lastWords = patternBytes(200 * 1024, 2);
    server.sendData(lastWords);
    server.close();
    EXPECT_EQ(server.state(), SocketState::Closed);

    ASSERT_TRUE(waitUntil([&] { return clientEvents.count("Close") == 1; }));
    EXPECT_TRUE(clientEvents.data == lastWords);
    EXPECT_EQ(clientEvents.log.back(), "Close");
    EXPECT_EQ(client.state(), SocketState::PeerClosed);
    letEventsRun(50);
    EXPECT_EQ(client.state(), SocketState::PeerClosed);  // until we close too
    EXPECT_THROW(client.sendData("too late"), platform::RuntimeError);
    client.close();
    EXPECT_EQ(client.state(), SocketState::Closed);
}

TEST_F(TcpSocketTest, LargeWriteReportsProgressTotalsAndOneCompletion) {
    connectPair();
    const std::string megabyte = patternBytes(1024 * 1024, 3);
    {
        InsideOperation inside;
        client.sendData(megabyte);
    }
    ASSERT_TRUE(waitUntil([&] {
        return clientEvents.count("Complete") == 1 && serverEvents.data.size() == megabyte.size();
    }));
    letEventsRun(50);
    EXPECT_EQ(clientEvents.count("Complete"), 1);
    EXPECT_EQ(clientEvents.progressTotal, static_cast<int64_t>(megabyte.size()));
    EXPECT_EQ(clientEvents.lastRemaining, 0);
    EXPECT_EQ(clientEvents.log.back(), "Complete");
    EXPECT_TRUE(serverEvents.data == megabyte);

    {
        InsideOperation inside;
        client.sendData("");
    }
    EXPECT_EQ(clientEvents.count("Complete"), 1);
    ASSERT_TRUE(waitUntil([&] { return clientEvents.count("Complete") == 2; }));
}

// Bytes the system has not taken yet stay queued as they were given, though
// the caller reuses its buffers at once: for a header and body written
// together as for one text, from the side that connected (which writes
// straight to the system) and from the accepting side (which Qt buffers).
TEST_F(TcpSocketTest, ReusedBuffersDoNotChangeBytesAlreadyQueued) {
    connectPair();
    for (const bool fromClient : {true, false}) {
        SocketControl& writer = fromClient ? client : server;
        SocketRecorder& writerEvents = fromClient ? clientEvents : serverEvents;
        SocketRecorder& readerEvents = fromClient ? serverEvents : clientEvents;
        readerEvents.data.clear();
        writerEvents.progressTotal = 0;
        const int completesBefore = writerEvents.count("Complete");
        // Far more than the socket buffers take at once.
        std::string header = "HEAD 1\r\n\r\n";
        std::string body = patternBytes(8 * 1024 * 1024, 5);
        std::string expected = header + body;
        {
            InsideOperation inside;
            writer.sendData(header, body);
            header.replace(5, 1, "2");
            std::fill(body.begin(), body.end(), 'x');  // the same buffers, reused
            expected += header + body;
            writer.sendData(header, body);
            body = patternBytes(64 * 1024, 9);
            expected += body;
            writer.sendData(body);
            std::fill(body.begin(), body.end(), 'y');
        }
        ASSERT_TRUE(waitUntil([&] {
            return readerEvents.data.size() >= expected.size() &&
                   writerEvents.count("Complete") >= completesBefore + 1;
        })) << fromClient;
        EXPECT_TRUE(readerEvents.data == expected) << fromClient;
        EXPECT_EQ(writerEvents.progressTotal, static_cast<int64_t>(expected.size()));
        EXPECT_EQ(writerEvents.log.back(), "Complete");
    }
}

// Arrivals taken through one buffer of the reader's: every byte arrives in
// order, and the control fills the buffers it is handed back instead of
// allocating one per arrival.
TEST_F(TcpSocketTest, TakenDataTradesBuffersWithTheReader) {
    struct Taker : SocketRecorder {
        std::string buffer;
        size_t largestCapacity = 0;
        void onDataArrival(SocketControl& control, int64_t) override {
            control.takeData(buffer);
            largestCapacity = std::max(largestCapacity, buffer.capacity());
            data += buffer;
            log.push_back("Data");
        }
    };
    Taker taker;
    server.setEvents(&taker);
    connectPair();
    taker.buffer.reserve(64 * 1024);
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        const std::string bytes = patternBytes(1000, i);
        expected += bytes;
        client.sendData(bytes);
        ASSERT_TRUE(waitUntil([&] { return taker.data.size() == expected.size(); })) << i;
    }
    EXPECT_TRUE(taker.data == expected);
    EXPECT_EQ(taker.log.size(), 40U);
    // Later arrivals came in the buffer the reader handed over first.
    EXPECT_GE(taker.largestCapacity, 64U * 1024);
    server.setEvents(&serverEvents);
}

TEST_F(TcpSocketTest, CloseIsImmediateDropsStaleEventsAndTheElementConnectsAgain) {
    connectPair();
    server.sendData("unread");
    ASSERT_TRUE(
        waitUntil([&] { return client.bytesReceived() > 0 || !clientEvents.data.empty(); }));
    clientEvents.log.clear();
    {
        InsideOperation inside;
        client.close();
    }
    EXPECT_EQ(client.state(), SocketState::Closed);
    EXPECT_EQ(client.bytesReceived(), 0);
    server.sendData("more");
    letEventsRun(100);
    EXPECT_TRUE(clientEvents.log.empty());

    SocketRecorder againEvents;
    SocketControl again(&againEvents);
    acceptRequestsOn(again);
    connectClient(listener.localPort());
    ASSERT_TRUE(waitUntil([&] { return client.state() == SocketState::Connected; }));
    EXPECT_EQ(clientEvents.log, std::vector<std::string>{"Connect"});
    client.sendData("fresh");
    ASSERT_TRUE(waitUntil([&] { return againEvents.data == "fresh"; }));
}

TEST_F(TcpSocketTest, CloseRightAfterAcceptDropsTheQueuedArrivalAndClose) {
    listenerEvents.onRequest = [&](SocketControl&, int64_t requestId) {
        peerWritesAndGoes(client);
        server.accept(requestId);
        server.close();
        EXPECT_EQ(server.state(), SocketState::Closed);
    };
    connectClient(listenOnFreePort());
    ASSERT_TRUE(waitUntil([&] { return listenerEvents.count("Request") == 1; }));
    letEventsRun(100);
    EXPECT_TRUE(serverEvents.log.empty());
}

TEST_F(TcpSocketTest, FailedConnectEndsInErrorStateWithAnErrorEvent) {
    const int closedPort = listenOnFreePort();
    listener.close();
    struct Case {
        std::string host;
        int number;
    };
    for (const Case& attempt :
         {Case{"127.0.0.1", sockerr::ConnectionRefused}, Case{"::1", sockerr::HostNotFound}}) {
        SCOPED_TRACE(attempt.host);
        clientEvents.log.clear();
        client.close();
        {
            InsideOperation inside;
            client.connect(attempt.host, closedPort);
        }
        EXPECT_NE(client.state(), SocketState::Error);  // only when the failure is delivered
        ASSERT_TRUE(waitUntil([&] { return client.state() == SocketState::Error; }));
        EXPECT_EQ(clientEvents.log,
                  std::vector<std::string>{"Error " + std::to_string(attempt.number)});
        EXPECT_EQ(clientEvents.errorText, platform::socketErrorText(attempt.number));
    }
}

TEST_F(TcpSocketTest, PortsOutsideTheRangeAreRefused) {
    const std::vector<std::function<void()>> outOfRange = {
        [&] { client.setLocalPort(-1); },         [&] { client.setLocalPort(65536); },
        [&] { client.setRemotePort(70000); },     [&] { client.connect("127.0.0.1", 65536); },
        [&] { client.connect("127.0.0.1", -1); },
    };
    for (const auto& attempt : outOfRange) {
        try {
            attempt();
            ADD_FAILURE() << "accepted a port outside 0-65535";
        } catch (const platform::RuntimeError& error) {
            EXPECT_EQ(error.number(), sockerr::InvalidPort);
        }
        EXPECT_EQ(client.state(), SocketState::Closed);
    }
    EXPECT_EQ(client.localPort(), 0);
}

TEST_F(TcpSocketTest, ListenOnAPortInUseFailsWithAddressInUse) {
    const int port = listenOnFreePort();
    SocketControl second;
    second.setLocalPort(port);
    try {
        second.listen();
        ADD_FAILURE() << "a second listener on one port";
    } catch (const platform::RuntimeError& error) {
        EXPECT_EQ(error.number(), sockerr::AddressInUse);
        EXPECT_EQ(error.description(), "Address in use");
    }
    EXPECT_EQ(second.state(), SocketState::Closed);
}

TEST_F(TcpSocketTest, OperationsOutOfStateAreRefused) {
    auto numberOf = [](const std::function<void()>& operation) {
        try {
            operation();
        } catch (const platform::RuntimeError& error) {
            return error.number();
        }
        return 0;
    };
    EXPECT_EQ(numberOf([&] { client.sendData("x"); }), sockerr::WrongState);
    EXPECT_EQ(numberOf([&] { client.accept(123456789); }), sockerr::InvalidArgument);
    listenOnFreePort();
    EXPECT_EQ(numberOf([&] { listener.listen(); }), sockerr::WrongState);
    EXPECT_EQ(numberOf([&] { listener.connect("127.0.0.1", 1); }), sockerr::WrongState);
}

// A process bound to one address connects from it: a plain listener on
// 127.0.0.1 reads the address each connection comes from. An address that
// is not on this machine fails the connect with an error event.
TEST_F(TcpSocketTest, OutgoingConnectionsComeFromTheBindAddress) {
    const std::string previous = platform::bindAddress();
    QTcpServer plain;
    ASSERT_TRUE(plain.listen(QHostAddress("127.0.0.1"), 0));
    for (const char* bound : {"127.0.0.2", "127.0.0.3"}) {
        SCOPED_TRACE(bound);
        platform::setBindAddress(bound);
        client.close();
        connectClient(plain.serverPort());
        platform::setBindAddress(previous);
        ASSERT_TRUE(waitUntil([&] { return plain.hasPendingConnections(); }));
        const std::unique_ptr<QTcpSocket> accepted(plain.nextPendingConnection());
        EXPECT_EQ(accepted->peerAddress().toString().toStdString(), bound);
        ASSERT_TRUE(waitUntil([&] { return client.state() == SocketState::Connected; }));
        EXPECT_EQ(client.remoteHostIP(), "127.0.0.1");
    }

    platform::setBindAddress("192.0.2.1");
    clientEvents.log.clear();
    client.close();
    connectClient(plain.serverPort());
    platform::setBindAddress(previous);
    ASSERT_TRUE(waitUntil([&] { return client.state() == SocketState::Error; }));
    EXPECT_EQ(clientEvents.log,
              std::vector<std::string>{"Error " + std::to_string(sockerr::AddressNotAvailable)});
    EXPECT_FALSE(plain.hasPendingConnections());
}

}  // namespace
