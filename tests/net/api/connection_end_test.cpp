// However a connection ends (the peer closes it, resets it, or resets it
// just before the node writes to it), the node hears of it once, and a
// connection it keeps up comes back on the connection timer's own pass.
#include "node_fixture.h"

#include "connection.h"

#include "support/free_port.h"
#include "support/raw_peer.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace qel::test {
namespace {

using tornel::test::RawPeer;
using tornel::test::waitUntil;

enum class End {
    Close,              // the peer closes its side
    Reset,              // the peer resets the connection
    ResetThenWrite,     // the peer resets it and the node writes before it reads again
    ResetThenWriteBody  // the same with a packet that has a body
};

struct EndCase {
    const char* name;
    End end;
};

void PrintTo(const EndCase& c, std::ostream* os) {
    *os << c.name;
}

// Ends the peer's side of `socket` as `end` says, without letting events run.
void endPeerSide(QTcpSocket& socket, End end) {
    if (end == End::Close) {
        socket.close();
        return;
    }
    const linger abortive{1, 0};
    ASSERT_EQ(::setsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_LINGER,
                           &abortive, sizeof(abortive)),
              0);
    socket.abort();
}

// A peer that only accepts: the connections the node opens to it, in order.
class AcceptingPeer {
  public:
    explicit AcceptingPeer(int port) : port_(port) {
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* accepted = server_.nextPendingConnection()) {
                accepted_.emplace_back(accepted);
            }
        });
        listen();
    }
    void listen() { EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, quint16(port_))); }
    void stopListening() { server_.close(); }
    size_t acceptedCount() const { return accepted_.size(); }
    QTcpSocket& latest() { return *accepted_.back(); }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

  private:
    int port_;
    QTcpServer server_;
    std::vector<std::unique_ptr<QTcpSocket>> accepted_;
};

class ConnectionEndTest : public NodesTest, public ::testing::WithParamInterface<EndCase> {
  protected:
    // Makes the node write on each of its connections before it reads what
    // the peer's end left: a message flooded to every connection.
    static void writeAfter(TestNode& node, End end) {
        if (end == End::ResetThenWrite) {
            node->sendMessage("", "BROADCAST");  // a header alone
        } else if (end == End::ResetThenWriteBody) {
            node->sendMessage(std::string(4096, 'x'), "BROADCAST");
        }
    }
};

TEST_P(ConnectionEndTest, AKeptUpConnectionIsClosedOnceAndComesBackOnThePass) {
    const End end = GetParam().end;
    TestNode& a = addNode("A");
    AcceptingPeer peer(tornel::test::freePort());
    const std::string id = a->Connect(peer.address(), false, true);
    ASSERT_FALSE(id.empty());
    ASSERT_TRUE(waitFor([&] { return peer.acceptedCount() == 1; }));
    // Its announcement has gone out: the write the reset meets is the next one.
    ASSERT_TRUE(waitFor([&] { return peer.latest().bytesAvailable() > 0; }));

    // Nobody listens while the peer restarts, so the reconnect that follows
    // the close at once fails and the connection timer's pass must retry it.
    peer.stopListening();
    endPeerSide(peer.latest(), end);
    writeAfter(a, end);
    ASSERT_TRUE(waitFor([&] { return a.events->count("closed") == 1; }));
    EXPECT_FALSE(a->isConnected());
    EXPECT_EQ(a.events->log.back(), "closed " + peer.address() + "  " + id);

    peer.listen();
    ASSERT_TRUE(waitFor([&] { return peer.acceptedCount() == 2; }));
    ASSERT_TRUE(waitFor([&] { return a.events->count("estab") == 2; }));
    EXPECT_EQ(a.events->log.back(), "estab " + peer.address() + " 2 " + id);
    EXPECT_TRUE(a->isConnected());
    EXPECT_EQ(a.events->count("closed"), 1);
}

// An accepted connection (whose stream Qt buffers) ends the same ways.
TEST_P(ConnectionEndTest, AnAcceptedConnectionIsClosedOnce) {
    const End end = GetParam().end;
    TestNode& a = addNode("A");
    QTcpSocket peer;
    peer.connectToHost(QHostAddress::LocalHost, quint16(a.port));
    ASSERT_TRUE(waitFor([&] { return a.events->count("estab") == 1 && a->isConnected(); }));
    ASSERT_TRUE(waitFor([&] { return peer.state() == QAbstractSocket::ConnectedState; }));

    endPeerSide(peer, end);
    writeAfter(a, end);
    ASSERT_TRUE(waitFor([&] { return a.events->count("closed") == 1; }));
    EXPECT_FALSE(a->isConnected());

    // The node still serves others.
    RawPeer other;
    ASSERT_TRUE(other.connect(a.port));
    other.send(other.packet("PING", a.id, {{"ReqID", "P1"}}));
    EXPECT_TRUE(waitFor([&] { return other.answer("PONG", "P1") != nullptr; }));
    EXPECT_EQ(a.events->count("closed"), 1);
}

INSTANTIATE_TEST_SUITE_P(EveryEnd, ConnectionEndTest,
                         ::testing::Values(EndCase{"Close", End::Close},
                                           EndCase{"Reset", End::Reset},
                                           EndCase{"ResetThenWrite", End::ResetThenWrite},
                                           EndCase{"ResetThenWriteBody", End::ResetThenWriteBody}),
                         [](const ::testing::TestParamInfo<EndCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace qel::test
