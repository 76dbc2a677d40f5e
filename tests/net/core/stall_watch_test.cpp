#include "stall_watch.h"
#include "library_state.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace qel {
namespace {

constexpr int64_t kBound = 1'000;

TEST(StallWatch, AStallCountsOnlyWhenTheNextPassStillSeesItWithoutProgress) {
    StallWatch watch;
    watch.writeStarted(100);
    EXPECT_FALSE(watch.stalled(0, 100 + kBound - 1, kBound));  // within the bound
    EXPECT_FALSE(watch.stalled(0, 100 + kBound, kBound));      // first pass to see it
    EXPECT_TRUE(watch.stalled(0, 100 + kBound + 1, kBound));   // the next one still does

    // Progress between the passes starts the count afresh.
    StallWatch moving;
    moving.writeStarted(0);
    EXPECT_FALSE(moving.stalled(0, kBound, kBound));
    EXPECT_FALSE(moving.stalled(10, kBound + 10, kBound));
    EXPECT_TRUE(moving.stalled(10, kBound + 20, kBound));

    // A pass that saw no stall in between forgets the one seen before.
    StallWatch cleared;
    cleared.writeStarted(0);
    EXPECT_FALSE(cleared.stalled(0, kBound, kBound));
    cleared.clear();
    EXPECT_FALSE(cleared.stalled(0, kBound + 1, kBound));
    EXPECT_TRUE(cleared.stalled(0, kBound + 2, kBound));
}

TEST(StallWatch, TheLatestOfTheWritesStartAndTheSocketsProgressCounts) {
    StallWatch watch;
    watch.writeStarted(5'000);
    // The socket's older progress (a previous connection's) does not make it stalled.
    EXPECT_FALSE(watch.stalled(0, 5'000 + kBound - 1, kBound));
    EXPECT_FALSE(watch.stalled(0, 5'000 + kBound - 1, kBound));
    // The socket's newer progress keeps it alive.
    EXPECT_FALSE(watch.stalled(9'000, 9'000 + kBound - 1, kBound));
    EXPECT_FALSE(watch.stalled(9'000, 9'000 + kBound - 1, kBound));
}

TEST(StallWatch, TheBoundIsAFewTimeoutsWithinTheLibrarysBounds) {
    OutgoingBounds bounds;
    bounds.minStallMs = 5'000;
    bounds.maxStallMs = 60'000;
    bounds.stallTimeouts = 4;
    struct Case {
        int64_t timeoutMs;
        int64_t expected;
    };
    for (const Case& c : {Case{0, 60'000}, Case{-1, 60'000}, Case{100, 5'000}, Case{3'000, 12'000},
                          Case{30'000, 60'000}}) {
        EXPECT_EQ(StallWatch::boundMs(bounds, c.timeoutMs), c.expected) << c.timeoutMs;
    }
    // A maximum set below the minimum leaves the minimum.
    bounds.maxStallMs = 1'000;
    EXPECT_EQ(StallWatch::boundMs(bounds, 100), 5'000);
}

}  // namespace
}  // namespace qel
