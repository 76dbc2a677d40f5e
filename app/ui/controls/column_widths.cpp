#include "ui/controls/column_widths.h"

#include <algorithm>
#include <cmath>

namespace tornel::ui {

namespace {

// `part` of `whole`, scaled to `available` of it (whole when it fits).
int scaled(int part, int whole, int available) {
    return whole <= available || whole == 0 ? part : int(double(part) * available / whole);
}

}  // namespace

std::vector<int> fitColumns(int room, const std::vector<ColumnNeed>& others, double firstShare) {
    room = std::max(0, room);
    const int firstLeast = int(std::ceil(room * std::clamp(firstShare, 0.0, 1.0)));
    const int available = room - firstLeast;
    int leastSum = 0;
    int extraSum = 0;
    for (const ColumnNeed& need : others) {
        const int least = std::max(0, need.least);
        leastSum += least;
        extraSum += std::max(0, need.natural - least);
    }
    std::vector<int> widths{0};
    int taken = 0;
    for (const ColumnNeed& need : others) {
        const int least = std::max(0, need.least);
        const int extra = std::max(0, need.natural - least);
        const int width = leastSum <= available
                              ? least + scaled(extra, extraSum, available - leastSum)
                              : scaled(least, leastSum, available);
        widths.push_back(width);
        taken += width;
    }
    widths.front() = room - taken;
    return widths;
}

}  // namespace tornel::ui
