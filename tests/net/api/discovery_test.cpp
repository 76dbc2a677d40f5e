#include "node_fixture.h"

#include "platform/event_loop.h"
#include "platform/identity.h"
#include "platform/socket_control.h"
#include "qellib/discover.h"

#include <QHostAddress>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace qel::test {
namespace {

using platform::UdpSend;
using tornel::test::freePort;

class DiscoveryTest : public NodesTest {
  protected:
    static std::string datagramOf(const std::string& address) {
        return "DISCOVER " + address + " QEL/2.1\r\n\r\n";
    }

    // Sends raw datagrams to the node's UDP port from a socket of the test's own.
    void sendRaw(const std::string& bytes) {
        if (raw.state() != QAbstractSocket::BoundState) {
            ASSERT_TRUE(raw.bind(QHostAddress::LocalHost, 0));
        }
        raw.writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()), QHostAddress::LocalHost,
                          static_cast<quint16>(udpPort));
    }

    // Lets events run until `done()`, in real time (a test clock may stand
    // still meanwhile).
    static bool waitReally(const std::function<bool()>& done) {
        return tornel::test::waitUntil(done);
    }

    const std::vector<std::string>& discovered() const { return a.session()->discovered; }

    TestNode& a = addNode("A");
    std::shared_ptr<cQELDiscover> discover = a->newDiscoverInstance();
    int udpPort = freePort(SOCK_DGRAM);
    QUdpSocket raw;
};

TEST_F(DiscoveryTest, ARangeItCannotScanIsReportedWithItsResultShape) {
    EXPECT_EQ(discover->discoverNodes(0), StringArray{""});
    ASSERT_TRUE(discover->makeDiscoverable(udpPort));
    EXPECT_EQ(discover->discoverNodes(0, "10.0.0."), StringArray{});
    EXPECT_EQ(discover->discoverNodes(0, "10"), StringArray{});
    EXPECT_EQ(discover->discoverNodes(0, "1.2.3.4.5"), StringArray{});
    EXPECT_EQ(a.events->errors,
              (std::vector<std::string>{
                  "Error 119: Session not listening for UDP replies [discoverNodes]",
                  "Error 120: Cannot end an IP range with a period [discoverNodes]",
                  "Error 121: Invalid IP or range too large to scan [discoverNodes]",
                  "Error 121: Invalid IP or range too large to scan [discoverNodes]",
              }));
}

TEST_F(DiscoveryTest, TheSocketStaysBoundUntilTheNodeStopsBeingDiscoverable) {
    EXPECT_FALSE(discover->makeDiscoverable(0));
    ASSERT_TRUE(discover->makeDiscoverable(udpPort));
    const int element = a.session()->udpIndex;
    EXPECT_NE(element, 0);
    EXPECT_FALSE(discover->makeDiscoverable(udpPort));  // keeps its socket
    EXPECT_EQ(a.session()->udpIndex, element);

    // It answers from the start.
    sendRaw(datagramOf("127.0.0.1:1111"));
    ASSERT_TRUE(waitReally([&] { return discovered().size() == 2; }));

    discover->notDiscoverable();
    EXPECT_EQ(a.session()->udpIndex, 0);
    EXPECT_EQ(a.session()->udpPort, 0);
    ASSERT_TRUE(discover->makeDiscoverable(udpPort));

    // shutDown frees the port for another node of the process.
    a->shutDown();
    EXPECT_FALSE(discover->makeDiscoverable(udpPort));  // its node has gone
    TestNode& b = addNode("B");
    EXPECT_TRUE(b->newDiscoverInstance()->makeDiscoverable(udpPort));
}

TEST_F(DiscoveryTest, RangesExpandIntoTheirDestinations) {
    ASSERT_TRUE(discover->makeDiscoverable(udpPort));
    std::vector<UdpSend> sent;
    const platform::ScopedUdpSendHook hook([&sent](const UdpSend& s) { sent.push_back(s); }, true);
    // The node's own address, as the process is bound to it, for the sends.
    struct OwnAddress {
        OwnAddress() { platform::setBindAddress("10.0.0.7"); }
        ~OwnAddress() { platform::setBindAddress("127.0.0.1"); }
    } own;

    EXPECT_EQ(discover->discoverNodes(0, "10.0.0"), StringArray{""});
    ASSERT_EQ(sent.size(), 253U);  // every address but the node's own
    EXPECT_EQ(sent.front().host, "10.0.0.1");
    EXPECT_EQ(sent.back().host, "10.0.0.254");
    EXPECT_EQ(sent.front().port, udpPort);
    EXPECT_EQ(sent.front().bytes, datagramOf("10.0.0.7:" + std::to_string(a.port)));
    for (const UdpSend& s : sent) {
        EXPECT_NE(s.host, "10.0.0.7");
    }

    sent.clear();
    discover->discoverNodes(0, "10.0");
    ASSERT_EQ(sent.size(), 255U * 254U);
    EXPECT_EQ(sent.front().host, "10.0.1.1");
    EXPECT_EQ(sent[253].host, "10.0.1.254");
    EXPECT_EQ(sent.back().host, "10.0.255.254");

    for (const std::string& single : {std::string(), std::string("10.1.2.3")}) {
        sent.clear();
        discover->discoverNodes(0, single);
        ASSERT_EQ(sent.size(), 1U);
        EXPECT_EQ(sent[0].host, single.empty() ? "255.255.255.255" : single);
    }
    EXPECT_TRUE(a.events->errors.empty());
}

TEST_F(DiscoveryTest, RecordsAreTakenFromEachDatagramAndJunkIsDropped) {
    platform::ScopedTestClock clock;
    ASSERT_TRUE(discover->makeDiscoverable(udpPort));
    std::vector<UdpSend> answers;
    const platform::ScopedUdpSendHook hook([&answers](const UdpSend& s) { answers.push_back(s); },
                                           true);
    sendRaw(datagramOf("127.0.0.1:1111") + datagramOf("127.0.0.2:2222"));
    sendRaw("DISCOVER 127.0.0.3:33");
    sendRaw("33 QEL/2.1\r\n\r\n");
    const std::string junk[] = {
        "discover 127.0.0.1:4001 QEL/2.1\r\n\r\n",  // the keyword is upper case
        "DISCOVER 127.0.0.1:4002 QEL/2.0\r\n\r\n",
        "hello\r\n\r\n",
        "no end in sight",
        "DISCOVER 127.0.0.1:4003 QEL/2.1 and then some\r\n\r\n",
        datagramOf("example.org:80"),
        datagramOf("127.0.0.1:0"),
        datagramOf("127.0.0.1:70000"),
        datagramOf("127.0.0.256:80"),
        datagramOf("127.0.0.1"),
        "DISCOVER 127.0.0.1:4004 QEL/2.1" + std::string(2000, ' '),  // never ends
    };
    for (const std::string& bytes : junk) {
        sendRaw(bytes);
    }
    sendRaw(datagramOf("127.0.0.4:5555"));
    ASSERT_TRUE(waitReally([&] { return discovered().size() == 5; }));
    EXPECT_EQ(discovered(), (std::vector<std::string>{"", "127.0.0.1:1111", "127.0.0.2:2222",
                                                      "127.0.0.3:3333", "127.0.0.4:5555"}));
    // Each new sender is answered at its IP, on the node's UDP port.
    ASSERT_EQ(answers.size(), 4U);
    EXPECT_EQ(answers[1].host, "127.0.0.2");
    EXPECT_EQ(answers[1].port, udpPort);
    EXPECT_EQ(answers[1].bytes, datagramOf(a.address()));

    // A sender heard a moment ago is not answered again, a restarted one
    // that searches again a while later is.
    sendRaw(datagramOf("127.0.0.1:1111"));
    sendRaw(datagramOf("127.0.0.9:9999"));
    ASSERT_TRUE(waitReally([&] { return answers.size() == 5; }));
    EXPECT_EQ(answers.back().host, "127.0.0.9");
    clock.advance(6000);
    sendRaw(datagramOf("127.0.0.1:1111"));
    ASSERT_TRUE(waitReally([&] { return answers.size() == 6; }));
    EXPECT_EQ(answers.back().host, "127.0.0.1");
    EXPECT_EQ(discovered().size(), 6U);
}

TEST_F(DiscoveryTest, OnlyOwnNetworksAreAnsweredAndAtMost64ASecond) {
    platform::ScopedTestClock clock;
    const platform::ScopedInterfaceAddresses interfaces(
        {{"127.0.0.1", true, 8}, {"192.168.5.10", false, 24}});
    ASSERT_TRUE(discover->makeDiscoverable(udpPort));
    std::vector<UdpSend> answers;
    const platform::ScopedUdpSendHook hook([&answers](const UdpSend& s) { answers.push_back(s); },
                                           true);
    sendRaw(datagramOf("10.9.9.9:80") + datagramOf("192.168.6.1:80") +
            datagramOf("192.168.5.77:80"));
    ASSERT_TRUE(waitReally([&] { return discovered().size() == 4; }));
    ASSERT_EQ(answers.size(), 1U);
    EXPECT_EQ(answers.front().host, "192.168.5.77");

    // One datagram listing a thousand senders is answered 64 times this second.
    std::string many;
    for (int i = 0; i < 1000; ++i) {
        many += datagramOf("127.1." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1) +
                           ":80");
    }
    sendRaw(many);
    ASSERT_TRUE(waitReally([&] { return discovered().size() == 1004; }));
    EXPECT_EQ(answers.size(), 64U);
    clock.advance(1000);
    sendRaw(datagramOf("127.0.0.1:1111"));
    ASSERT_TRUE(waitReally([&] { return answers.size() == 65; }));
    EXPECT_EQ(answers.back().host, "127.0.0.1");
}

TEST_F(DiscoveryTest, ANodeFindsItselfOnlyWhenItSeesItself) {
    ASSERT_TRUE(discover->makeDiscoverable(udpPort));
    EXPECT_EQ(discover->discoverNodes(200, "127.0.0.1"), StringArray{""});
    EXPECT_EQ(discovered(), (std::vector<std::string>{"", a.address()}));
    a->setAdvanced(advancedSettings({{"seeSelf", "True"}}));
    EXPECT_EQ(discover->discoverNodes(200, "127.0.0.1"), (StringArray{"", a.address()}));
}

}  // namespace
}  // namespace qel::test
