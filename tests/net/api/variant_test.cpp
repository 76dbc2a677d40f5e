#include "qellib/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using qel::Variant;

TEST(VariantText, EachKindHasItsFixedTextForm) {
    const struct {
        Variant value;
        std::optional<std::string> text;
    } cases[] = {
        {qel::Empty{}, ""},
        {"a b\r\n", "a b\r\n"},
        {int64_t{1500}, "1500"},
        {std::numeric_limits<int64_t>::min(), "-9223372036854775808"},
        {true, "True"},
        {false, "False"},
        {0.1, "0.1"},
        {-2.5e300, "-2.5e+300"},
        {3.0, "3"},
        {qel::Date{0}, "1899-12-30 00:00:00"},
        {qel::Date{-1.25}, "1899-12-29 06:00:00"},
        {qel::Date{1.9999999999}, "1900-01-01 00:00:00"},  // rounds to the next day
        {qel::Date{1e12}, std::nullopt},
        {qel::Date{std::nan("")}, std::nullopt},
        {qel::StringArray{"a"}, std::nullopt},
        {qel::Missing{}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qel::toText(c.value), c.text) << (c.text ? *c.text : "(none)");
    }
}

TEST(VariantText, TextFormsReadBack) {
    for (const double number : {0.1, -1e-310, 123456789.125, 1e300}) {
        EXPECT_EQ(qel::parseDouble(*qel::toText(number)), number);
    }
    for (const char* text : {"2026-12-07 22:20:19", "1899-12-29 06:00:00", "0001-01-01 00:00:00",
                             "9999-12-31 23:59:59", "2024-02-29 12:00:00"}) {
        const std::optional<qel::Date> date = qel::parseDate(text);
        ASSERT_TRUE(date) << text;
        EXPECT_EQ(qel::toText(*date), text);
    }
    EXPECT_EQ(qel::parseDate("1899-12-29 06:00:00"), qel::Date{-1.25});
    EXPECT_EQ(qel::toText(qel::currentDate()).value_or("").size(), 19U);

    EXPECT_EQ(qel::parseInt64("-42"), -42);
    EXPECT_EQ(qel::parseBool("TRUE"), true);
    EXPECT_EQ(qel::parseBool("false"), false);
}

TEST(VariantText, MalformedTextsDoNotParse) {
    for (const char* text : {"", " 1", "1 ", "+1", "1.5", "9223372036854775808", "0x10"}) {
        EXPECT_FALSE(qel::parseInt64(text)) << text;
    }
    for (const char* text : {"", "1,5", " 1", "1e", "--1"}) {
        EXPECT_FALSE(qel::parseDouble(text)) << text;
    }
    for (const char* text : {"2026-02-30 00:00:00", "2026-12-07 24:00:00", "2026-12-07 22:60:00",
                             "2026-12-07T22:20:19", "2026-12-07", "12/7/2026 10:20:19 PM"}) {
        EXPECT_FALSE(qel::parseDate(text)) << text;
    }
    EXPECT_FALSE(qel::parseBool("-1"));
}
