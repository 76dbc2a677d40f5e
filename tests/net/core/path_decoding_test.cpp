#include "path_decoding.h"
#include "wire_format.h"

#include <gtest/gtest.h>

namespace qel {
namespace {

TEST(PathDecoding, EscapesSlashesAndLiteralPercents) {
    const std::pair<const char*, std::string> cases[] = {
        {"\\My%20Music\\a%20b.mp3", "\\My Music\\a b.mp3"},
        {"a/b/c", "a\\b\\c"},
        {"a%2Fb", "a\\b"},
        {"%2541", "%41"},  // a decoded "%" belongs to the name
        {"50%2541.txt", "50%41.txt"},
        {"%41%41", "AA"},
        {"%C3%A9", "\xC3\xA9"},
        {"trailing%", "trailing%"},
        {"short%4", "short%4"},
        {"%zz/x", "%zz\\x"},
        {"50% off.pdf", "50% off.pdf"},
        {"50%%20off.pdf", "50% off.pdf"},
        {"%4%41", "%4A"},  // "%4" stays; the decoded "A" joins it as a letter
        {"%00", std::string(1, '\0')},
        {"", ""},
    };
    for (const auto& [encoded, decoded] : cases) {
        std::string path = encoded;
        EXPECT_EQ(decodePath(path), decoded) << encoded;
        EXPECT_EQ(path, decoded) << encoded;
    }
}

// What the writer escapes, the decoder gives back whole.
TEST(PathDecoding, AnEscapedResourceReadsBackWhole) {
    for (const std::string name :
         {"\\50%41.txt", "\\100% sure\\%25.txt", "\\a%2Fb %20 c", "\\plain.txt", "\\%"}) {
        std::string wire = escapeResource(name);
        EXPECT_EQ(decodePath(wire), name);
    }
}

// A long run of escapes decodes in one pass over the text.
TEST(PathDecoding, ALongRunOfEscapesDecodesOnce) {
    std::string path = "%";
    for (int i = 0; i < 400000; ++i) {
        path += "25";
    }
    path += "41/x";
    const std::string decoded = decodePath(path);
    EXPECT_EQ(decoded.size(), 800003U);
    EXPECT_EQ(decoded.substr(0, 3), "%25");
    EXPECT_EQ(decoded.substr(decoded.size() - 6), "2541\\x");
}

}  // namespace
}  // namespace qel
