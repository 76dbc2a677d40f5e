#include "ui/controls/column_widths.h"

#include <gtest/gtest.h>

#include <numeric>

namespace tornel::ui {
namespace {

TEST(FitColumns, TheFirstColumnKeepsItsShareAndTakesWhatTheOthersLeave) {
    struct Case {
        const char* name;
        int room;
        std::vector<int> natural;
        std::vector<int> expected;
    };
    const std::vector<Case> cases{
        {"room for all: the others as they are", 1000, {100, 50, 150}, {700, 100, 50, 150}},
        {"exactly the share left", 500, {100, 100, 100}, {200, 100, 100, 100}},
        {"too little: the others shrink alike", 400, {200, 100, 100}, {160, 120, 60, 60}},
        {"no other column", 300, {}, {300}},
        {"no room at all", 0, {100, 100}, {0, 0, 0}},
        {"a negative room counts as none", -20, {100}, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<int> widths = fitColumns(c.room, c.natural, 0.4);
        EXPECT_EQ(widths, c.expected);
        EXPECT_EQ(std::accumulate(widths.begin(), widths.end(), 0), std::max(0, c.room));
    }
}

TEST(FitColumns, NoColumnNarrowsAsTheRoomGrows) {
    const std::vector<int> natural{130, 70, 80, 84, 126};
    std::vector<int> previous = fitColumns(100, natural, 0.4);
    for (int room = 101; room <= 2000; ++room) {
        const std::vector<int> widths = fitColumns(room, natural, 0.4);
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
