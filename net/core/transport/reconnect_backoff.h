#pragma once

#include <algorithm>
#include <cstdint>

namespace qel {

// When a maintained connection may connect again. A dropped connection
// reconnects at once and may try once more straight away (a peer restarting);
// after that each reconnect waits 1 s, doubling up to 60 s, so a peer that
// accepts and drops at once costs a handful of connects rather than
// thousands. A connection that has lived 30 s starts the schedule afresh
// when it drops.
class ReconnectBackoff {
  public:
    static constexpr int64_t FirstDelayMs = 1000;
    static constexpr int64_t LongestDelayMs = 60'000;
    static constexpr int64_t SettledAfterMs = 30'000;

    bool due(int64_t nowMs) const { return nowMs >= notBeforeMs_; }

    void attempted(int64_t nowMs) {
        notBeforeMs_ = nowMs + delayMs_;
        delayMs_ = delayMs_ == 0 ? FirstDelayMs : std::min(delayMs_ * 2, LongestDelayMs);
    }
    void established(int64_t nowMs) { establishedAtMs_ = nowMs; }
    void dropped(int64_t nowMs) {
        if (establishedAtMs_ != 0 && nowMs - establishedAtMs_ >= SettledAfterMs) {
            *this = ReconnectBackoff();
        }
        establishedAtMs_ = 0;
    }

  private:
    int64_t delayMs_ = 0;
    int64_t notBeforeMs_ = 0;
    int64_t establishedAtMs_ = 0;  // tick count; 0 while not established
};

}  // namespace qel
