#include "core_fixture.h"

#include "identifiers.h"
#include "input_limits.h"
#include "transforms.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <regex>
#include <set>

namespace qel::test {
namespace {

using TransformsTest = CoreTest;

TEST(Identifiers, AreThirtyTwoUpperCaseHexDigits) {
    const platform::Guid low = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0xfe, 0xff};
    EXPECT_EQ(formatGuid(low), "000102030405060708090A0B0C0DFEFF");

    const std::regex shape("[0-9A-F]{32}");
    std::set<std::string> seen;
    for (int i = 0; i < 10000; ++i) {
        const std::string id = newID();
        ASSERT_TRUE(std::regex_match(id, shape)) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 10000U);
}

TEST_F(TransformsTest, XorWithAKeyTwiceRestoresTheBody) {
    std::string data(3, '\0');
    EXPECT_TRUE(encryptData(data, "AB"));
    EXPECT_EQ(data, "ABA");
    EXPECT_TRUE(decryptData(data, "AB"));
    EXPECT_EQ(data, std::string(3, '\0'));

    std::string body = "unchanged";
    EXPECT_EQ(reportedLine(encryptData(body, "")), "Error 5: Cannot encrypt with an empty key");
    EXPECT_EQ(body, "unchanged");
}

TEST_F(TransformsTest, CompressionRoundTrips) {
    std::mt19937 random(7);
    std::string noise(300000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    const std::string bodies[] = {"x", std::string(1 << 20, 'a') + "tail", noise,
                                  std::string("\0\r\n\xff", 4)};
    for (const std::string& original : bodies) {
        std::string body = original;
        ASSERT_TRUE(compressData(body, 9));
        if (original.size() > 1000 && original != noise) {
            EXPECT_LT(body.size(), original.size() / 100);
        }
        ASSERT_TRUE(decompressData(body, static_cast<int64_t>(original.size())));
        EXPECT_EQ(body, original);
    }
    EXPECT_TRUE(errorsOfNode().empty());
}

TEST_F(TransformsTest, BadLengthsAndCorruptBodiesAreRefused) {
    const std::string original(5000, 'q');
    std::string compressed = original;
    ASSERT_TRUE(compressData(compressed, 9));
    const auto size = static_cast<int64_t>(original.size());

    const int64_t lengths[] = {
        size - 1,                                        // too small
        size + 1,                                        // too large
        -1,                                              // negative
        limits::MaxDecompressedBytes + 1,                // beyond the limit
        int64_t{1} << 40,                                // a bomb
        static_cast<int64_t>(compressed.size()) * 2000,  // more than those bytes could hold
    };
    for (const int64_t length : lengths) {
        std::string body = compressed;
        EXPECT_TRUE(reportedLine(decompressData(body, length)).starts_with("Error 5: Cannot"))
            << length;
        EXPECT_EQ(body, compressed) << length;
    }
    EXPECT_TRUE(errorsOfNode().empty());  // returned, never reported

    std::string corrupt = compressed;
    corrupt[corrupt.size() / 2] ^= 0x55;
    corrupt[2] ^= 0x55;
    EXPECT_FALSE(decompressData(corrupt, size));

    std::string empty;
    EXPECT_FALSE(compressData(empty, 9));
    EXPECT_FALSE(decompressData(empty, 0));
    EXPECT_TRUE(empty.empty());
}

// Small bodies compress as they always did; larger ones at the fastest level,
// and not at all when a sample of them would not shrink.
TEST(CompressionChoice, SmallBodiesAtNineLargeOnesFastOrNotAtAll) {
    std::mt19937 random(11);
    const auto noise = [&random](size_t size) {
        std::string bytes(size, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random());
        }
        return bytes;
    };
    std::string text;
    while (text.size() < 64 * 1024) {
        text += "every chunk of the file is confirmed once written\n";
    }
    // Compressible only in the middle: the sample still sees it.
    const std::string mixed = noise(30000) + std::string(4000, 'm') + noise(30000);
    const struct {
        std::string body;
        std::optional<int> level;
    } cases[] = {
        {"x", 9},
        {noise(BodyCompressor::SmallBodyBytes), 9},
        {text.substr(0, BodyCompressor::SmallBodyBytes + 1), 1},
        {text, 1},
        {noise(10 * 1024), std::nullopt},
        {noise(256 * 1024), std::nullopt},
        {mixed, 1},
        {std::string(mixed.size(), 'm'), 1},
    };
    BodyCompressor compressor;
    for (const auto& c : cases) {
        EXPECT_EQ(compressor.levelFor(c.body), c.level) << c.body.size();
        std::string body = c.body;
        bool compressed = false;
        ASSERT_TRUE(compressor.compress(body, compressed));
        EXPECT_EQ(compressed, c.level.has_value());
        if (compressed) {
            ASSERT_TRUE(decompressData(body, static_cast<int64_t>(c.body.size())));
        }
        EXPECT_EQ(body, c.body);
    }
    std::string empty;
    bool compressed = true;
    EXPECT_FALSE(compressor.compress(empty, compressed));
    EXPECT_FALSE(compressed);
}

}  // namespace
}  // namespace qel::test
