#pragma once

#include <cstdint>
#include <optional>

namespace qel {

struct OutgoingBounds;

// Whether a connection's write in progress has stalled: no progress for the
// stall bound, as two passes of the connection timer in a row see it. A
// process that was itself stopped for a while (a busy machine, a debugger)
// sees every write standing still since then, before the events of what was
// written meanwhile are delivered: a stall seen by one pass counts only when
// the next pass still sees it, with no progress between.
class StallWatch {
  public:
    // A write has been handed to the socket.
    void writeStarted(int64_t nowMs) { writeStartedMs_ = nowMs; }
    // Nothing is being written (or it has moved): no stall is pending.
    void clear() { stalledSince_.reset(); }
    // One pass of the timer over a write in progress; `socketProgressMs` is
    // the last progress the socket element reports, which may be a previous
    // connection's (it only ever makes this one look livelier). Whether the
    // write has stalled.
    bool stalled(int64_t socketProgressMs, int64_t nowMs, int64_t boundMs);

    // How long a write may make no progress: a few of the session's
    // Timeouts (`timeoutMs`, none when not positive), within the bounds.
    static int64_t boundMs(const OutgoingBounds& bounds, int64_t timeoutMs);

  private:
    int64_t writeStartedMs_ = 0;           // tick count the write in progress started
    std::optional<int64_t> stalledSince_;  // the last progress, when a pass saw a stall
};

}  // namespace qel
