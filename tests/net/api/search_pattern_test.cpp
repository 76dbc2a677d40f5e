#include "search_pattern.h"

#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <string>

namespace qel {
namespace {

bool matches(const std::string& pattern, const std::string& text) {
    const std::optional<SearchPattern> compiled = SearchPattern::compile(pattern);
    EXPECT_TRUE(compiled) << pattern;
    return compiled && compiled->matches(text);
}

TEST(SearchPatternTest, EachPatternCharacterMatchesWhatItShould) {
    const struct {
        const char* pattern;
        const char* text;
        bool match;
    } cases[] = {
        {"a?c", "abc", true},
        {"a?c", "a1c", true},
        {"a?c", "ac", false},
        {"a*c", "ac", true},
        {"a*c", "abbbc", true},
        {"a*c", "abcd", false},
        {"*", "", true},
        {"", "", true},
        {"", "a", false},
        {"#x", "7x", true},
        {"#x", "ax", false},
        {"[a-f]1", "c1", true},
        {"[a-f]1", "g1", false},
        {"[abc]", "b", true},
        {"[abc]", "d", false},
        {"[!x]y", "ay", true},
        {"[!x]y", "xy", false},
        {"[!x]y", "y", false},
        {"[!a-c]", "d", true},
        {"[!a-c]", "b", false},
        {"[*?#]", "*", true},
        {"[*?#]", "a", false},
        {"[-a]", "-", true},
        {"[a-]", "-", true},
        {"[!]", "!", true},
        {"[!]", "a", false},
        {"a[]b", "ab", true},
        {"*[0-9]*", "no.txt", false},
        {"*[0-9]*", "v2.txt", true},
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "aXcYb", false},
        {"*.txt*", "notes.txt", true},
        {"é*", "été", true},
        {"x]", "x]", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(matches(c.pattern, c.text), c.match) << c.pattern << " / " << c.text;
    }
}

TEST(SearchPatternTest, AnUnclosedListOrAReversedRangeIsNoPattern) {
    for (const char* bad : {"[", "*[*", "a[bc", "[!", "[z-a]"}) {
        EXPECT_FALSE(SearchPattern::compile(bad)) << bad;
    }
}

TEST(SearchPatternTest, ManyStarsDoNotBacktrackExponentially) {
    std::string pattern;
    for (int i = 0; i < 200; ++i) {
        pattern += "*a";
    }
    pattern += "*b*";
    const std::string text(4000, 'a');
    const int64_t started = platform::tickCount();
    EXPECT_FALSE(matches(pattern, text));
    EXPECT_TRUE(matches(pattern, text + "b"));
    EXPECT_LT(platform::tickCount() - started, 10000);  // backtracking would take ages
}

}  // namespace
}  // namespace qel
