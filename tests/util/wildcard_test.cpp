#include "wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    std::string pattern;
    std::string name;
    bool matches;
};

}  // namespace

TEST(WildcardPattern, MatchesLikeTheFileNamePatterns) {
    const std::string longRun = std::string(100, 'a') + "b";
    const Case cases[] = {
        {"*.*", "README", true},
        {"*.*", "a.b.c", true},
        {"*.TXT", "a.txt", true},
        {"*.txt", "a.txt.bak", false},
        {"*.txt", "txt", false},
        {"foo.*", "foo", true},
        {"foo.*", "FOO.bar", true},
        {"foo.*", "foox", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c", "abbc", false},
        {"?*?", "a", false},
        {"?*?", "ab", true},
        {"**a", "ba", true},
        {"*a*b*c", "xaybzc", true},
        {"*a*b*c", "xaybzcd", false},
        {"*ab*ab", "abab", true},
        {"*aab", "aaab", true},
        {"[ab]*", "[ab]x", true},  // brackets and backslashes are plain bytes
        {"[ab]*", "a", false},
        {"a\\*", "a\\b", true},
        {"*/*", "a", false},                        // a "/" never matches a name
        {"\xc3\x89*", "\xc3\xa9t\xc3\xa9", false},  // only ASCII letters fold
        {"\xc3\xa9*", "\xc3\xa9t\xc3\xa9", true},
        {"*" + longRun + "*", std::string(150, 'a') + "bx", true},  // runs over 64 bytes
        {"*" + longRun + "*", std::string(200, 'a'), false},
        {"*" + longRun, "x" + longRun, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(orv::WildcardPattern(c.pattern).matches(c.name), c.matches)
            << "pattern " << c.pattern << " name " << c.name;
    }
}

TEST(WildcardPattern, ManyStarsNeverBacktrackWithoutBound) {
    std::string pattern;
    for (int i = 0; i < 40; ++i) {
        pattern += "*a";
    }
    const orv::WildcardPattern manyStars(pattern + "*b");
    EXPECT_FALSE(manyStars.matches(std::string(255, 'a')));
    EXPECT_TRUE(manyStars.matches(std::string(254, 'a') + "b"));
}
