#pragma once

#include <vector>

namespace tornel::ui {

// What a column after the first asks for: the width that shows its header
// whole, and the width that also shows its usual texts whole.
struct ColumnNeed {
    int least = 0;
    int natural = 0;
};

// The widths of a list's columns over `room` pixels: column 0 (the names)
// takes what the others leave, and never less than `firstShare` of `room`.
// The others take their natural widths where that leaves column 0 its
// share; else they give up the part above their least width, all in the
// same proportion; and only where even their least widths do not fit do
// they shrink below them, again alike. The widths depend on `room` alone,
// so lists of one width line up.
std::vector<int> fitColumns(int room, const std::vector<ColumnNeed>& others, double firstShare);

}  // namespace tornel::ui
