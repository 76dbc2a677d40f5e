#include "path_decoding.h"

#include <gtest/gtest.h>

namespace qel {
namespace {

TEST(PathDecoding, EscapesSlashesAndLiteralPercents) {
    const std::pair<const char*, std::string> cases[] = {
        {"\\My%20Music\\a%20b.mp3", "\\My Music\\a b.mp3"},
        {"a/b/c", "a\\b\\c"},
        {"a%2Fb", "a\\b"},
        {"%2541", "A"},  // a decoded "%" is decoded again
        {"%41%41", "AA"},
        {"%C3%A9", "\xC3\xA9"},
        {"trailing%", "trailing%"},
        {"short%4", "short%4"},
        {"%zz/x", "%zz\\x"},
        {"50% off.pdf", "50% off.pdf"},
        {"50%%20off.pdf", "50% off.pdf"},
        {"%4%41", "J"},  // "%4" and the decoded "A" form "%4A"
        {"%00", std::string(1, '\0')},
        {"", ""},
    };
    for (const auto& [encoded, decoded] : cases) {
        std::string path = encoded;
        EXPECT_EQ(decodePath(path), decoded) << encoded;
        EXPECT_EQ(path, decoded) << encoded;
    }
    // Decoding twice, as the file services do, keeps a literal "%".
    std::string twice = "50%%20off.pdf";
    decodePath(twice);
    EXPECT_EQ(decodePath(twice), "50% off.pdf");
}

// Each decoded "%" completes the next escape: one pass must do it all, where
// a rescan per decoded byte would hold the node for hours on one long header.
TEST(PathDecoding, NestedEscapesOfAWholeHeaderDecodeInOnePass) {
    std::string path = "%";
    for (int i = 0; i < 400000; ++i) {
        path += "25";
    }
    path += "41/x";
    EXPECT_EQ(decodePath(path), "A\\x");
}

}  // namespace
}  // namespace qel
