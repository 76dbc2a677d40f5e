#pragma once

#include <vector>

namespace tornel::ui {

// The widths of a list's columns over `room` pixels: column 0 (the names)
// takes what the others leave, and never less than `firstShare` of `room`;
// the others take their `natural` widths (one for each column after the
// first), all shrunk by one factor where they would leave column 0 less.
// The widths depend on `room` alone, so lists of one width line up.
std::vector<int> fitColumns(int room, const std::vector<int>& natural, double firstShare);

}  // namespace tornel::ui
