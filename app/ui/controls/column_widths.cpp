#include "ui/controls/column_widths.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tornel::ui {

std::vector<int> fitColumns(int room, const std::vector<int>& natural, double firstShare) {
    room = std::max(0, room);
    const int firstLeast = int(std::ceil(room * std::clamp(firstShare, 0.0, 1.0)));
    const int wanted = std::accumulate(natural.begin(), natural.end(), 0);
    const int othersRoom = room - firstLeast;
    std::vector<int> widths{0};
    int others = 0;
    for (const int width : natural) {
        // Shrunk alike, so each column keeps the start of its texts.
        const int fitted = wanted <= othersRoom || wanted == 0
                               ? std::max(0, width)
                               : int(std::max(0, width) * double(othersRoom) / wanted);
        widths.push_back(fitted);
        others += fitted;
    }
    widths.front() = room - others;
    return widths;
}

}  // namespace tornel::ui
