#include "core/downloads/blocks_ahead.h"

#include <algorithm>
#include <iterator>

namespace tornel {

int64_t BlocksAhead::add(int64_t present, int64_t start, int64_t length) {
    int64_t end = start + length;
    if (start <= present) {
        present = std::max(present, end);
    } else {
        // Joins the runs it touches or overlaps.
        auto next = runs_.upper_bound(start);
        if (next != runs_.begin()) {
            const auto before = std::prev(next);
            if (before->second >= start) {
                start = before->first;
                end = std::max(end, before->second);
                next = runs_.erase(before);
            }
        }
        while (next != runs_.end() && next->first <= end) {
            end = std::max(end, next->second);
            next = runs_.erase(next);
        }
        runs_.emplace(start, end);
    }
    while (!runs_.empty() && runs_.begin()->first <= present) {
        present = std::max(present, runs_.begin()->second);
        runs_.erase(runs_.begin());
    }
    return present;
}

}  // namespace tornel
