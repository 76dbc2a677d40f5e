#pragma once

#include <cstdint>

namespace qel {

struct OutgoingBounds;

// The bytes handed to a connection and not yet written (the packet being
// written and the waiting ones), against the marks of OutgoingBounds: over
// the bound the peer is taken to have stopped reading; over the soft mark
// copies of a flood are dropped and the sources of relayed packets held,
// until the queue has written down to half of it.
class QueueMarks {
  public:
    int64_t bytes() const { return bytes_; }
    void add(int64_t size) { bytes_ += size; }
    void remove(int64_t size) { bytes_ -= size; }
    // Every waiting packet is gone.
    void emptied() { bytes_ = 0; }
    // The queue starts afresh: empty, taking flooded copies again.
    void reset() {
        bytes_ = 0;
        droppingFloodCopies_ = false;
    }

    bool overBound(const OutgoingBounds& bounds) const;
    bool overSoftMark(const OutgoingBounds& bounds) const;
    // Whether the queue is down to half the soft mark; once it is, flooded
    // copies are taken again.
    bool settleIfDrained(const OutgoingBounds& bounds);
    // An idle queue takes any copy, however large; a busy one only while
    // the copy keeps it within the soft mark.
    bool takesFloodCopy(int64_t size, const OutgoingBounds& bounds) const;
    // A flooded copy is dropped; whether it is the first since the queue
    // last drained (reported once per crossing of the mark).
    bool startDroppingFloodCopies();

  private:
    int64_t bytes_ = 0;
    bool droppingFloodCopies_ = false;
};

}  // namespace qel
