#include "stall_watch.h"

#include "library_state.h"

#include <algorithm>

namespace qel {

bool StallWatch::stalled(int64_t socketProgressMs, int64_t nowMs, int64_t boundMs) {
    const int64_t lastProgress = std::max(writeStartedMs_, socketProgressMs);
    if (nowMs - lastProgress < boundMs) {
        stalledSince_.reset();
        return false;
    }
    if (stalledSince_ != lastProgress) {
        stalledSince_ = lastProgress;
        return false;
    }
    return true;
}

int64_t StallWatch::boundMs(const OutgoingBounds& bounds, int64_t timeoutMs) {
    if (timeoutMs <= 0) {
        return bounds.maxStallMs;
    }
    return std::clamp(bounds.stallTimeouts * timeoutMs, bounds.minStallMs,
                      std::max(bounds.minStallMs, bounds.maxStallMs));
}

}  // namespace qel
