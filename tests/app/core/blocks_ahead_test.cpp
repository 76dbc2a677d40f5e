#include "core/downloads/blocks_ahead.h"

#include <gtest/gtest.h>

#include <vector>

namespace tornel {
namespace {

TEST(BlocksAheadTest, BytesCountOnlyOnceTheGapBeforeThemIsFilled) {
    struct Block {
        int64_t start;
        int64_t length;
        int64_t presentAfter;
        size_t runsAfter;
    };
    const std::vector<Block> blocks{
        {0, 10, 10, 0},  // in order
        {5, 10, 15, 0},  // overlaps what is there
        {30, 5, 15, 1},  // beyond a gap
        {40, 5, 15, 2},  // another run
        {34, 6, 15, 1},  // joins the two runs
        {20, 3, 15, 2},  // a third
        {15, 5, 23, 1},  // fills the first gap: up to the run at 20
        {0, 3, 23, 1},   // old bytes again
        {23, 7, 45, 0},  // reaches the joined run
    };
    BlocksAhead ahead;
    int64_t present = 0;
    for (const Block& b : blocks) {
        present = ahead.add(present, b.start, b.length);
        EXPECT_EQ(present, b.presentAfter) << b.start;
        EXPECT_EQ(ahead.count(), b.runsAfter) << b.start;
    }
}

}  // namespace
}  // namespace tornel
