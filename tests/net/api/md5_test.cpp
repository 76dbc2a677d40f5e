#include "md5.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using qel::cMD5;

struct Vector {
    std::string message;
    const char* digest;
};

// RFC 1321's test suite, then messages of "a" around the padding boundaries
// (55 bytes fit with their length into one block, 56 need a second), and
// every byte value including 0x80-0x9F.
std::vector<Vector> knownVectors() {
    std::string allBytes;
    for (int i = 0; i < 256 * 3; ++i) {
        allBytes += static_cast<char>(i & 0xff);
    }
    return {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         "0",
         "57edf4a22be3c955ac49da2e2107b67a"},
        {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
        {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
        {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
        {allBytes, "e6899eaaf06fd702f3ed3f988eb19362"},
    };
}

TEST(MD5, KnownDigestsOneShot) {
    for (const Vector& known : knownVectors()) {
        SCOPED_TRACE(known.message.size());
        EXPECT_EQ(cMD5::MD5(known.message), known.digest);
    }
}

TEST(MD5, PiecesOfOddSizesGiveTheOneShotDigest) {
    for (const Vector& known : knownVectors()) {
        for (const size_t piece : {size_t{1}, size_t{3}, size_t{7}, size_t{63}, size_t{65}}) {
            SCOPED_TRACE(std::to_string(known.message.size()) + " in pieces of " +
                         std::to_string(piece));
            cMD5 digest;
            for (size_t at = 0; at < known.message.size(); at += piece) {
                digest.update(std::string_view(known.message).substr(at, piece));
            }
            EXPECT_EQ(digest.final(), known.digest);
        }
    }
}

TEST(MD5, FinalStartsANewMessageAndInitDropsTheOldOne) {
    cMD5 digest;
    digest.update("abc");
    EXPECT_EQ(digest.final(), "900150983cd24fb0d6963f7d28e17f72");
    digest.update("a");
    EXPECT_EQ(digest.final(), "0cc175b9c0f1b6a831c399e269772661");
    digest.update("something else");
    digest.init();
    digest.update("abc");
    EXPECT_EQ(digest.final(), "900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
