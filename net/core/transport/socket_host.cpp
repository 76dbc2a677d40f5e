#include "socket_host.h"

#include "confirmation.h"
#include "connection.h"
#include "connection_manager.h"
#include "error_codes.h"
#include "guarded.h"
#include "library_state.h"

#include "platform/event_loop.h"
#include "platform/runtime_error.h"

#include <memory>

namespace qel {
namespace {

using platform::SocketControl;
using platform::SocketState;

constexpr int64_t ReconnectIntervalMs = 5000;

// The connection the element carries: the one under the element's tag.
std::shared_ptr<clsSocket> connectionOf(const SocketControl& control) {
    const std::shared_ptr<clsSocket>* found = library().connectionTable.find(control.tag);
    if (found == nullptr || (*found)->sck() != &control) {
        throw platform::RuntimeError(platform::rt::InvalidProcedureCall);
    }
    return *found;
}

// Hands an element's event to its connection; an element that carries no
// connection is reported and its event ignored.
template <class Call>
void route(const SocketControl& control, Call&& call) {
    guarded("", [&] {
        const std::shared_ptr<clsSocket> connection = connectionOf(control);
        call(*connection);
    });
}

}  // namespace

SocketHost::SocketHost() {
    loadConnectionElement();
    loadListenerElement();
    loadUdpElement();
}

SocketControl& SocketHost::loadConnectionElement() {
    return sck.load(&connectionEvents_, static_cast<int>(sck.count()));
}

SocketControl& SocketHost::loadListenerElement() {
    return sckListen.load(&listenerEvents_, static_cast<int>(sckListen.count()));
}

SocketControl& SocketHost::loadUdpElement() {
    SocketControl& element = sckUDP.load(&udpEvents_, static_cast<int>(sckUDP.count()));
    element.setProtocol(platform::SocketProtocol::Udp);
    return element;
}

void SocketHost::ConnectionEvents::onConnect(SocketControl& control) {
    route(control, [](clsSocket& connection) { connection.connectionEstab(); });
}

void SocketHost::ConnectionEvents::onDataArrival(SocketControl& control, int64_t bytesTotal) {
    route(control, [bytesTotal](clsSocket& connection) { connection.dataArrival(bytesTotal); });
}

void SocketHost::ConnectionEvents::onSendProgress(SocketControl& control, int64_t bytesSent,
                                                  int64_t) {
    library().counters.bytesOut += bytesSent;
    const auto index = static_cast<size_t>(control.index());
    if (sendProgressAt_.size() <= index) {
        sendProgressAt_.resize(index + 1, 0);
    }
    sendProgressAt_[index] = platform::tickCount();
}

int64_t SocketHost::ConnectionEvents::lastSendProgress(int elementIndex) const {
    const auto index = static_cast<size_t>(elementIndex);
    return index < sendProgressAt_.size() ? sendProgressAt_[index] : 0;
}

void SocketHost::ConnectionEvents::onSendComplete(SocketControl& control) {
    route(control, [](clsSocket& connection) { connection.sendComplete(); });
}

void SocketHost::ConnectionEvents::onClose(SocketControl& control) {
    route(control, [](clsSocket& connection) { connection.peerEnded(); });
}

// A connect that fails shows only as the element's state. An established
// connection that fails (reset) gets no Close, so it is closed as if the peer
// had closed it: its node hears of it, and a maintained one comes back.
void SocketHost::ConnectionEvents::onError(SocketControl& control, int, const std::string&) {
    route(control, [](clsSocket& connection) {
        if (connection.isConnected) {
            connection.peerEnded();
        }
    });
}

void SocketHost::ListenerEvents::onConnectionRequest(SocketControl& control, int64_t requestId) {
    sckListen_ConnectionRequest(control.index(), requestId);
}

void SocketHost::UdpEvents::onDataArrival(SocketControl& control, int64_t) {
    guarded("sckUDP_DataArrival", [&] {
        std::string datagram = control.getData();
        if (host_.udpDataArrival) {
            host_.udpDataArrival(control.index(), datagram);
        }
    });
}

void SocketHost::timSck_Timer() {
    guarded("", [this] {
        markTimedOutConnects();
        closeStalledConnections();
        const int64_t now = platform::tickCount();
        if (lastReconnectPass_ && now - *lastReconnectPass_ < ReconnectIntervalMs) {
            return;
        }
        lastReconnectPass_ = now;
        reconnectMaintainedConnections();
    });
}

void SocketHost::timConfirm_Timer() {
    confirmationCheck();
}

void SocketHost::timStats_Timer() {
    guarded("", [] {
        LibraryState& lib = library();
        TrafficCounters& counters = lib.counters;
        const int64_t interval = lib.timers ? lib.timers->statistics.interval() : 0;
        const int64_t now = platform::tickCount();
        // A loop held up by long work ticks late: the rates cover the real time.
        const int64_t measured = counters.lastRefresh != 0 ? now - counters.lastRefresh : interval;
        counters.lastRefresh = now;
        const int64_t elapsed = measured > 0 ? measured : interval;
        if (elapsed <= 0) {
            return;
        }
        const auto perSecond = [elapsed](int64_t& accumulated) {
            const int64_t rate = accumulated * 1000 / elapsed;
            accumulated = 0;
            return rate;
        };
        counters.InByteSpeed = perSecond(counters.bytesIn);
        counters.OutByteSpeed = perSecond(counters.bytesOut);
        counters.InPacketRate = perSecond(counters.packetsIn);
        counters.OutPacketRate = perSecond(counters.packetsOut);
    });
}

SocketHost& socketHost() {
    SocketHost* host = library().socketHost.get();
    if (host == nullptr) {
        throw platform::RuntimeError(code::NotInitialised, "QEL not initialised");
    }
    return *host;
}

}  // namespace qel
