#pragma once

#include "platform/event_loop.h"
#include "support/raw_peer.h"
#include "support/wait.h"

#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

namespace tornel::test {

// Files this process has open.
inline int openFileCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

// Resident memory of this process in KiB.
inline int64_t residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmRSS:") {
            int64_t kib = 0;
            status >> kib;
            return kib;
        }
    }
    return 0;
}

// A peer's flood of packets at a node in this process: one packet on every
// pass of the event loop, as a peer sending each as soon as the last has left
// would, and a PING among them every `pingEvery` packets. While it runs it
// samples the process's open files and memory.
class PacketFlood {
  public:
    // `packet(i)` is the text of packet i, from 0.
    PacketFlood(RawPeer& peer, std::string nodeID, int count,
                std::function<std::string(int)> packet, int pingEvery = 250)
        : peer_(peer),
          nodeID_(std::move(nodeID)),
          count_(count),
          packet_(std::move(packet)),
          pingEvery_(pingEvery) {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { sendNext(); });
    }

    // Sends the whole flood, then waits until the node has answered every
    // PING; false when that did not happen within `timeoutMs`.
    bool run(int64_t timeoutMs = 60000) {
        baseFiles = openFileCount();
        baseKiB = residentKiB();
        timer_.start();
        return waitUntil([this] { return finished_ && answered(); }, timeoutMs);
    }

    // The longest a PING waited for its PONG, in ms (-1 while one waits).
    int64_t slowestPong() const {
        int64_t slowest = 0;
        for (const auto& [reqID, sentAt] : pings_) {
            const WirePacket* pong = peer_.answer("PONG", reqID);
            if (pong == nullptr) {
                return -1;
            }
            slowest = std::max(slowest, pong->arrivedAt - sentAt);
        }
        return slowest;
    }

    int baseFiles = 0;
    int mostFiles = 0;
    int64_t baseKiB = 0;
    int64_t mostKiB = 0;

  private:
    bool answered() const { return slowestPong() >= 0; }

    void sendNext() {
        if (next_ == count_) {
            timer_.stop();
            sendPing();  // the last one comes after everything else
            finished_ = true;
            return;
        }
        peer_.send(packet_(next_));
        if (++next_ % pingEvery_ == 0) {
            sendPing();
        }
        if (next_ % 50 == 0) {
            mostFiles = std::max(mostFiles, openFileCount());
            mostKiB = std::max(mostKiB, residentKiB());
        }
    }

    void sendPing() {
        const std::string reqID = "PING-" + std::to_string(next_);
        peer_.send(peer_.packet("PING", nodeID_, {{"ReqID", reqID}}));
        pings_[reqID] = platform::tickCount();
    }

    RawPeer& peer_;
    const std::string nodeID_;
    const int count_;
    const std::function<std::string(int)> packet_;
    const int pingEvery_;
    int next_ = 0;
    bool finished_ = false;
    std::map<std::string, int64_t> pings_;  // by ReqID: when it was sent
    QTimer timer_;
};

}  // namespace tornel::test
