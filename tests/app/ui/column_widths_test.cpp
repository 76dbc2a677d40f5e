#include "ui/controls/column_widths.h"

#include <gtest/gtest.h>

#include <numeric>

namespace tornel::ui {
namespace {

TEST(FitColumns, TheFirstColumnKeepsItsShareAndTakesWhatTheOthersLeave) {
    struct Case {
        const char* name;
        int room;
        std::vector<ColumnNeed> others;
        std::vector<int> expected;
    };
    const std::vector<Case> cases{
        {"room for all: the others as they want",
         1000,
         {{50, 100}, {50, 50}, {60, 150}},
         {700, 100, 50, 150}},
        {"exactly the share left", 500, {{10, 100}, {10, 100}, {10, 100}}, {200, 100, 100, 100}},
        {"too little: the texts give way alike, the headers stay",
         400,
         {{40, 200}, {40, 100}, {40, 40}},
         {161, 127, 72, 40}},
        {"not even the headers fit: they shrink alike",
         200,
         {{100, 200}, {50, 100}, {50, 50}},
         {80, 60, 30, 30}},
        {"no other column", 300, {}, {300}},
        {"no room at all", 0, {{10, 100}, {10, 100}}, {0, 0, 0}},
        {"a negative room counts as none", -20, {{10, 100}}, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<int> widths = fitColumns(c.room, c.others, 0.4);
        EXPECT_EQ(widths, c.expected);
        EXPECT_EQ(std::accumulate(widths.begin(), widths.end(), 0), std::max(0, c.room));
    }
}

TEST(FitColumns, NoColumnNarrowsAsTheRoomGrows) {
    const std::vector<ColumnNeed> others{{60, 130}, {70, 70}, {45, 80}, {50, 84}, {30, 126}};
    std::vector<int> previous = fitColumns(100, others, 0.4);
    for (int room = 101; room <= 2000; ++room) {
        const std::vector<int> widths = fitColumns(room, others, 0.4);
        ASSERT_GE(widths.front(), room * 2 / 5) << room;
        ASSERT_EQ(std::accumulate(widths.begin(), widths.end(), 0), room);
        for (size_t column = 1; column < widths.size(); ++column) {
            ASSERT_GE(widths[column], previous[column]) << "room " << room << " column " << column;
        }
        previous = widths;
    }
    EXPECT_EQ(previous, (std::vector<int>{1510, 130, 70, 80, 84, 126}));
}

}  // namespace
}  // namespace tornel::ui
