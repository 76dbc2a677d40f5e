#include "queue_marks.h"

#include "library_state.h"

namespace qel {

bool QueueMarks::overBound(const OutgoingBounds& bounds) const {
    return bytes_ > bounds.maxQueuedBytes;
}

bool QueueMarks::overSoftMark(const OutgoingBounds& bounds) const {
    return bytes_ > bounds.holdForwardedAtBytes;
}

bool QueueMarks::settleIfDrained(const OutgoingBounds& bounds) {
    if (bytes_ > bounds.holdForwardedAtBytes / 2) {
        return false;
    }
    droppingFloodCopies_ = false;
    return true;
}

bool QueueMarks::takesFloodCopy(int64_t size, const OutgoingBounds& bounds) const {
    return bytes_ <= 0 || bytes_ + size <= bounds.holdForwardedAtBytes;
}

bool QueueMarks::startDroppingFloodCopies() {
    const bool first = !droppingFloodCopies_;
    droppingFloodCopies_ = true;
    return first;
}

}  // namespace qel
