#include "core/update/version_answer.h"

#include <gtest/gtest.h>

namespace tornel {
namespace {

struct AnswerCase {
    const char* descriptor;
    qel::Variant answer;
    bool newer;
};

TEST(VersionAnswer, OnlyAGreaterRevisionFromThisProgramsKindCounts) {
    constexpr int64_t own = 7;
    const AnswerCase cases[] = {
        {"TORNEL_NODE", std::string("7"), false},      // the same revision
        {"TORNEL_NODE", std::string("6"), false},      // a lower one
        {"TORNEL_NODE", std::string("8"), true},       // a greater one
        {"TORNEL_NODE", std::string("00012"), true},   // leading zeros are still digits
        {"TORNEL_NODE", std::string("0"), false},      // a "-debug" copy
        {"TORNEL_NODE", std::string("32767"), true},   // the largest 16-bit revision
        {"TORNEL_NODE", std::string("32768"), false},  // beyond 16 bits
        {"TORNEL_NODE", std::string("99999999999999999999999"), false},
        {"TORNEL_NODE", std::string("abc"), false},  // not a number
        {"TORNEL_NODE", std::string("1e3"), false},  // numeric to a lax test, not digits
        {"TORNEL_NODE", std::string("&H10"), false},
        {"TORNEL_NODE", std::string("+9"), false},
        {"TORNEL_NODE", std::string(" 9"), false},
        {"TORNEL_NODE", std::string("9 "), false},
        {"TORNEL_NODE", std::string(""), false},
        {"TORNEL_NODE", int64_t{9}, false},  // answers arrive as text
        {"TORNEL_NODE", qel::StringArray{"9"}, false},
        {"KESTO_NODE", std::string("9"), false},   // the earlier product
        {"tornel_node", std::string("9"), false},  // letter case counts
        {"OTHER", std::string("9"), false},
        {"", std::string("9"), false},  // a node not known
    };
    for (const AnswerCase& c : cases) {
        EXPECT_EQ(offersNewerRevision(c.descriptor, c.answer, own), c.newer)
            << c.descriptor << " "
            << (std::holds_alternative<std::string>(c.answer) ? std::get<std::string>(c.answer)
                                                              : "(not text)");
    }
}

TEST(VersionAnswer, RevisionsReadBackAsTheirValue) {
    EXPECT_EQ(answeredRevision(std::string("0")), 0);
    EXPECT_EQ(answeredRevision(std::string("123")), 123);
    EXPECT_EQ(answeredRevision(std::string("32767")), MaxRevision);
    EXPECT_EQ(answeredRevision(std::string("-1")), std::nullopt);
}

}  // namespace
}  // namespace tornel
