#include "trap.h"

#include <gtest/gtest.h>

#include <vector>

TEST(TrapErrors, TurnsAFailureIntoTheLastErrorAndTheFailureResult) {
    std::string lastError = "old";
    EXPECT_EQ(orv::trapErrors(lastError, 0, [] { return 7; }), 7);
    EXPECT_EQ(lastError, "old");  // success leaves it

    EXPECT_EQ(orv::trapErrors(lastError, -1, []() -> int { throw platform::RuntimeError(53); }),
              -1);
    EXPECT_EQ(lastError, "File not found");

    const auto number = orv::trapErrors(
        lastError, [](const platform::RuntimeError& error) { return error.number(); },
        [] { return std::vector<int>{}.at(3); });
    EXPECT_EQ(number, 9);
    EXPECT_EQ(lastError, "Subscript out of range");
}
