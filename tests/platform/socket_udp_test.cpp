#include "platform/runtime_error.h"
#include "platform/socket_control.h"
#include "support/socket_recorder.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using platform::SocketControl;
using platform::SocketProtocol;
using platform::SocketState;
using platform::UdpSend;
using tornel::test::InsideOperation;
using tornel::test::letEventsRun;
using tornel::test::SocketRecorder;
using tornel::test::waitUntil;

namespace {

class UdpSocketTest : public ::testing::Test {
  protected:
    SocketRecorder events;
    SocketControl udp{&events};

    void SetUp() override { udp.setProtocol(SocketProtocol::Udp); }
    void TearDown() override { EXPECT_FALSE(events.raisedInsideOperation); }

    // Binds `control` to a free port and aims its sends at that port.
    static int bindToItself(SocketControl& control) {
        EXPECT_TRUE(control.bind(0));
        control.setRemoteHost("127.0.0.1");
        control.setRemotePort(control.localPort());
        return control.localPort();
    }
};

TEST_F(UdpSocketTest, DatagramToItsOwnPortArrivesAsOneEventEach) {
    const int port = bindToItself(udp);
    EXPECT_NE(port, 0);
    EXPECT_EQ(udp.state(), SocketState::Open);
    {
        InsideOperation inside;
        udp.sendData("one");
        udp.setRemoteHost("localhost");  // names are looked up as IPv4
        udp.sendData("two-two");
        udp.sendData("head|", "body");  // one datagram
    }
    ASSERT_TRUE(waitUntil([&] { return events.arrivals.size() == 3; }));
    EXPECT_EQ(events.arrivals, (std::vector<std::string>{"one", "two-two", "head|body"}));
    EXPECT_EQ(events.bytesTotals, (std::vector<int64_t>{3, 7, 9}));
    EXPECT_EQ(udp.remoteHostIP(), "127.0.0.1");
    EXPECT_EQ(udp.state(), SocketState::Open);  // stays bound
    EXPECT_EQ(udp.localPort(), port);
}

TEST_F(UdpSocketTest, PortBoundByAnotherControlCannotBeBound) {
    const int port = bindToItself(udp);
    SocketControl second;
    second.setProtocol(SocketProtocol::Udp);
    EXPECT_FALSE(second.bind(port));
    EXPECT_EQ(second.state(), SocketState::Closed);
    EXPECT_THROW(second.bind(65536), platform::RuntimeError);
}

TEST_F(UdpSocketTest, SendFromAClosedControlBindsItsLocalPort) {
    const int port = bindToItself(udp);
    udp.close();
    udp.setLocalPort(port);
    udp.sendData("again");
    EXPECT_EQ(udp.state(), SocketState::Open);
    EXPECT_EQ(udp.localPort(), port);
    ASSERT_TRUE(waitUntil([&] { return events.arrivals.size() == 1; }));
    EXPECT_EQ(events.arrivals[0], "again");
}

TEST_F(UdpSocketTest, SendHookRecordsDestinationsWithoutSending) {
    const int port = bindToItself(udp);
    std::vector<UdpSend> sent;
    {
        platform::ScopedUdpSendHook hook([&](const UdpSend& send) { sent.push_back(send); }, true);
        udp.sendData("to myself");
        udp.setRemoteHost("255.255.255.255");
        udp.sendData("to everyone");
    }
    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[0].host, "127.0.0.1");
    EXPECT_EQ(sent[0].port, port);
    EXPECT_EQ(sent[0].bytes, "to myself");
    EXPECT_EQ(sent[1].host, "255.255.255.255");
    letEventsRun(100);
    EXPECT_TRUE(events.arrivals.empty());

    udp.setRemoteHost("127.0.0.1");
    {
        platform::ScopedUdpSendHook hook([&](const UdpSend& send) { sent.push_back(send); }, false);
        udp.sendData("recorded and sent");
    }
    EXPECT_EQ(sent.size(), 3U);
    ASSERT_TRUE(waitUntil([&] { return events.arrivals.size() == 1; }));
    EXPECT_EQ(events.arrivals[0], "recorded and sent");
}

TEST_F(UdpSocketTest, LoopbackBoundProcessSendsNothingBeyondLoopback) {
    ASSERT_TRUE(platform::boundToLoopback());
    const int port = bindToItself(udp);
    std::vector<UdpSend> sent;
    platform::ScopedUdpSendHook hook([&](const UdpSend& send) { sent.push_back(send); }, false);
    for (const char* host : {"255.255.255.255", "192.0.2.1", "127.0.0.1"}) {
        udp.setRemoteHost(host);
        udp.setRemotePort(port);
        EXPECT_NO_THROW(udp.sendData(host));
    }
    EXPECT_EQ(sent.size(), 3U);
    ASSERT_TRUE(waitUntil([&] { return events.arrivals.size() == 1; }));
    EXPECT_EQ(events.arrivals[0], "127.0.0.1");
    EXPECT_EQ(udp.state(), SocketState::Open);
}

TEST_F(UdpSocketTest, ThrowingHandlerDoesNotStopDeliveryToTheNext) {
    bindToItself(udp);
    events.afterData = [](SocketControl&) { throw std::runtime_error("handler failed"); };
    udp.sendData("a");
    udp.sendData("b");
    udp.sendData("c");
    ASSERT_TRUE(waitUntil([&] { return events.arrivals.size() == 3; }));
    EXPECT_EQ(events.arrivals, (std::vector<std::string>{"a", "b", "c"}));
}

}  // namespace
