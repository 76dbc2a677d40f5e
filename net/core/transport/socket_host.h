#pragma once

#include "platform/control_array.h"
#include "platform/socket_control.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qel {

// The one host of every socket of the process (the hidden socket window of
// the desktop original): the TCP connection elements `sck`, the listener
// elements `sckListen` and the UDP discovery elements `sckUDP`, each array
// with its element 0 loaded from the start. It routes each control's events
// to the connection whose ID is the element's tag, or to the listener's
// session, and runs the library's three timer passes.
class SocketHost {
    // Where the events of each array's elements go. Declared first: the
    // controls of the arrays point at them.
    class ConnectionEvents : public platform::SocketEvents {
      public:
        void onConnect(platform::SocketControl& control) override;
        void onDataArrival(platform::SocketControl& control, int64_t bytesTotal) override;
        void onSendProgress(platform::SocketControl& control, int64_t bytesSent,
                            int64_t bytesRemaining) override;
        void onSendComplete(platform::SocketControl& control) override;
        void onClose(platform::SocketControl& control) override;
        void onError(platform::SocketControl& control, int number,
                     const std::string& description) override;

        int64_t lastSendProgress(int elementIndex) const;

      private:
        std::vector<int64_t> sendProgressAt_;  // tick count, by element index
    } connectionEvents_;
    class ListenerEvents : public platform::SocketEvents {
      public:
        void onConnectionRequest(platform::SocketControl& control, int64_t requestId) override;
    } listenerEvents_;
    class UdpEvents : public platform::SocketEvents {
      public:
        explicit UdpEvents(SocketHost& host) : host_(host) {}
        void onDataArrival(platform::SocketControl& control, int64_t bytesTotal) override;

      private:
        SocketHost& host_;
    } udpEvents_{*this};

  public:
    SocketHost();
    SocketHost(const SocketHost&) = delete;
    SocketHost& operator=(const SocketHost&) = delete;

    platform::ControlArray<platform::SocketControl> sck;        // one element per connection
    platform::ControlArray<platform::SocketControl> sckListen;  // one element per listening port
    platform::ControlArray<platform::SocketControl> sckUDP;     // UDP discovery; element 0 unused

    // Loads the next element of an array, wired to the host's events.
    platform::SocketControl& loadConnectionElement();
    platform::SocketControl& loadListenerElement();
    platform::SocketControl& loadUdpElement();

    // UDP discovery: the datagram that arrived on element `index` of sckUDP.
    std::function<void(int index, std::string& datagram)> udpDataArrival;

    // The connection timer: marks blocking connects that ran out of time, and
    // at most every 5000 ms reconnects every maintained connection that is down.
    void timSck_Timer();
    // The confirmation timer: resends or gives up unconfirmed packets.
    void timConfirm_Timer();
    // The statistics timer: each rate is its accumulator per second of the
    // time measured since the previous tick (the timer's interval at the
    // first tick, or when no time has passed), and the accumulators start again.
    void timStats_Timer();

    // The routing of connection and listener events, as the elements see it.
    platform::SocketEvents& connectionEvents() { return connectionEvents_; }
    platform::SocketEvents& listenerEvents() { return listenerEvents_; }

    // When element `elementIndex` of sck last handed bytes to the system (tick
    // count; 0: never). Kept by index, so watching it costs the data path nothing.
    int64_t lastSendProgress(int elementIndex) const {
        return connectionEvents_.lastSendProgress(elementIndex);
    }

  private:
    std::optional<int64_t> lastReconnectPass_;  // tick count
};

// The host of this process; RuntimeError "QEL not initialised" before the
// library is set up.
SocketHost& socketHost();

}  // namespace qel
