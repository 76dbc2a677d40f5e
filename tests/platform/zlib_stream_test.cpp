#include "platform/zlib_stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

// Bodies of the kinds that travel: text, a one-byte body, noise that does
// not shrink, and a long run.
std::vector<std::string> sampleBodies() {
    std::string text;
    for (int i = 0; text.size() < 300000; ++i) {
        text += "line " + std::to_string(i) + " of a shared text file\r\n";
    }
    std::mt19937 random(11);
    std::string noise(70000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    return {text, "x", noise, std::string(1 << 20, 'a') + "tail", text.substr(0, 10240)};
}

std::optional<std::string> inflateWithZlib(const std::string& stream, size_t length) {
    std::string data(length, '\0');
    auto produced = static_cast<uLongf>(length);
    if (uncompress(reinterpret_cast<Bytef*>(data.data()), &produced,
                   reinterpret_cast<const Bytef*>(stream.data()),
                   static_cast<uLong>(stream.size())) != Z_OK ||
        produced != length) {
        return std::nullopt;
    }
    return data;
}

std::string deflateWithZlib(const std::string& data, int level) {
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    std::string stream(length, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(stream.data()), &length,
                        reinterpret_cast<const Bytef*>(data.data()),
                        static_cast<uLong>(data.size()), level),
              Z_OK);
    stream.resize(length);
    return stream;
}

// Our streams are read by zlib and zlib's by us, at the levels bodies and
// package members use: the format on the wire stays zlib's whichever coder
// wrote it.
TEST(ZlibStream, ZlibReadsOurStreamsAndWeReadZlibs) {
    for (const std::string& body : sampleBodies()) {
        for (const int level : {1, 6, 9}) {
            SCOPED_TRACE("level " + std::to_string(level) + ", " + std::to_string(body.size()) +
                         " bytes");
            const std::optional<std::string> ours = platform::zlib::compress(body, level);
            ASSERT_TRUE(ours.has_value());
            EXPECT_EQ(inflateWithZlib(*ours, body.size()), body);

            const std::string theirs = deflateWithZlib(body, level);
            EXPECT_EQ(platform::zlib::inflateExactly(theirs, static_cast<int64_t>(body.size())),
                      body);
            // Exactly that length: one byte more or less is refused.
            const auto length = static_cast<int64_t>(body.size());
            EXPECT_FALSE(platform::zlib::inflateExactly(theirs, length - 1).has_value());
            EXPECT_FALSE(platform::zlib::inflateExactly(theirs, length + 1).has_value());
        }
    }
}

// A deflater reuses its buffer: a body after a longer one carries nothing
// of the longer one, and each stream stands alone.
TEST(ZlibStream, AKeptDeflaterCompressesEachBodyInPlaceOnItsOwn) {
    const std::vector<std::string> bodies = sampleBodies();
    for (const int level : {1, 9}) {
        platform::zlib::Deflater deflater(level);
        for (int round = 0; round < 2; ++round) {
            for (const std::string& original : bodies) {
                std::string body = original;
                ASSERT_TRUE(deflater.compressInPlace(body));
                EXPECT_EQ(inflateWithZlib(body, original.size()), original)
                    << "level " << level << ", " << original.size() << " bytes";
            }
        }
    }
    platform::zlib::Deflater outOfRange(10);
    std::string body = "stays";
    EXPECT_FALSE(outOfRange.compressInPlace(body));
    EXPECT_EQ(body, "stays");
}

}  // namespace
