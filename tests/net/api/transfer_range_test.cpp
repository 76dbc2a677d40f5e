#include "transfer_range.h"

#include "byte_range.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qel {
namespace {

TEST(TransferRangeTest, WhatARequestedRangeSelectsOfAFile) {
    struct Case {
        const char* range;  // the GET's "Range" text; "" for none
        int64_t size;
        std::optional<ByteSpan> served;
    };
    const Case cases[] = {
        {"", 1000, ByteSpan{0, 999}},
        {"-", 1000, ByteSpan{0, 999}},  // a lone dash is no range
        {"1-99", 1000, ByteSpan{1, 99}},
        {"0-0", 1000, ByteSpan{0, 0}},
        {"100-", 1000, ByteSpan{100, 999}},  // from 100 to the end
        {"-100", 1000, ByteSpan{0, 100}},    // from the start to 100
        {"990-5000", 1000, ByteSpan{990, 999}},
        {"-5000", 1000, ByteSpan{0, 999}},
        {"999-", 1000, ByteSpan{999, 999}},
        {"99-1", 1000, std::nullopt},   // inverted
        {"1000-", 1000, std::nullopt},  // starts past the end
        {"1000-2000", 1000, std::nullopt},
        {"", 0, ByteSpan{0, -1}},  // an empty file goes whole, as nothing
        {"0-0", 0, std::nullopt},
        {"-0", 0, std::nullopt},
        {"2147483600-2147483699", 3221225472, ByteSpan{2147483600, 2147483699}},
    };
    for (const Case& c : cases) {
        const std::string text = c.range;
        const std::shared_ptr<cXRange> parsed = text.empty() ? nullptr : parseRange(text);
        EXPECT_EQ(servedSpan(parsed.get(), c.size), c.served) << c.range << " of " << c.size;
    }
    // A range that names neither end, as a handler may leave it, is no range.
    const std::shared_ptr<cXRange> open = makeRange(-1, -1, -1);
    EXPECT_EQ(servedSpan(open.get(), 10), (ByteSpan{0, 9}));
}

TEST(TransferRangeTest, RangeTextsAndChunkSizes) {
    EXPECT_EQ(rangeText(*makeRange(100, 199, 7)), "100-199");
    EXPECT_EQ(rangeText(*makeRange(100, -1, -1)), "100-");
    EXPECT_EQ(rangeText(*makeRange(-1, 199, -1)), "-199");
    EXPECT_EQ(rangeText(*makeRange(-1, -1, -1)), "-");
    EXPECT_EQ(rangeText(*makeRange(0, 1023, -1)), "0-1023");
    EXPECT_EQ(contentRangeText(2147483600, 2147483699, 3221225472),
              "2147483600-2147483699/3221225472");

    EXPECT_EQ(chunkSizeFor(0), DefaultChunkSize);
    EXPECT_EQ(chunkSizeFor(-1), DefaultChunkSize);
    EXPECT_EQ(chunkSizeFor(1), 1024);
    EXPECT_EQ(chunkSizeFor(262144), 262144);
    EXPECT_EQ(chunkSizeFor(int64_t{1} << 40), 16 * 1024 * 1024);
}

}  // namespace
}  // namespace qel
