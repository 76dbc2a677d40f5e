#include "queue_marks.h"
#include "library_state.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace qel {
namespace {

OutgoingBounds smallBounds() {
    OutgoingBounds bounds;
    bounds.holdForwardedAtBytes = 1'000;
    bounds.maxQueuedBytes = 10'000;
    return bounds;
}

TEST(QueueMarks, FloodCopiesAreTakenByAnIdleQueueAndWithinTheSoftMark) {
    const OutgoingBounds bounds = smallBounds();
    struct Case {
        int64_t queued;
        int64_t copy;
        bool taken;
    };
    for (const Case& c : {Case{0, 50'000, true}, Case{500, 500, true}, Case{500, 501, false},
                          Case{1'000, 1, false}}) {
        QueueMarks queue;
        queue.add(c.queued);
        EXPECT_EQ(queue.takesFloodCopy(c.copy, bounds), c.taken) << c.queued << "+" << c.copy;
    }
}

TEST(QueueMarks, MarksAndDropReportsFollowTheQueue) {
    const OutgoingBounds bounds = smallBounds();
    QueueMarks queue;
    queue.add(1'000);
    EXPECT_FALSE(queue.overSoftMark(bounds));
    queue.add(1);
    EXPECT_TRUE(queue.overSoftMark(bounds));
    EXPECT_FALSE(queue.overBound(bounds));
    queue.add(9'000);
    EXPECT_TRUE(queue.overBound(bounds));

    // Dropping is reported once until the queue drains to half the soft mark.
    EXPECT_TRUE(queue.startDroppingFloodCopies());
    EXPECT_FALSE(queue.startDroppingFloodCopies());
    queue.remove(9'500);  // 501 left
    EXPECT_FALSE(queue.settleIfDrained(bounds));
    EXPECT_FALSE(queue.startDroppingFloodCopies());
    queue.remove(1);
    EXPECT_TRUE(queue.settleIfDrained(bounds));
    EXPECT_TRUE(queue.startDroppingFloodCopies());

    // Emptied keeps the dropping state; a reset forgets it too.
    queue.emptied();
    EXPECT_EQ(queue.bytes(), 0);
    EXPECT_FALSE(queue.startDroppingFloodCopies());
    queue.reset();
    EXPECT_TRUE(queue.startDroppingFloodCopies());
}

}  // namespace
}  // namespace qel
