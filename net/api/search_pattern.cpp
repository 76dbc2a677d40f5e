#include "search_pattern.h"

#include <cstddef>
#include <string>

namespace qel {
namespace {

unsigned byteOf(char c) {
    return static_cast<unsigned char>(c);
}

// Reads the list after a "[" at `at`, up to its "]"; `at` moves past it.
// False when the list never closes or holds a reversed range.
bool readList(std::string_view pattern, size_t& at, std::bitset<256>& accepts, bool& empty) {
    size_t i = at + 1;
    const bool negated = i + 1 < pattern.size() && pattern[i] == '!' && pattern[i + 1] != ']';
    i += negated ? 1 : 0;
    const size_t close = pattern.find(']', i);
    if (close == std::string_view::npos) {
        return false;
    }
    const std::string_view list = pattern.substr(i, close - i);
    empty = list.empty() && !negated;
    for (size_t k = 0; k < list.size(); ++k) {
        const bool isRange = k + 2 < list.size() && list[k + 1] == '-';
        if (!isRange) {
            accepts.set(byteOf(list[k]));
            continue;
        }
        if (byteOf(list[k]) > byteOf(list[k + 2])) {
            return false;
        }
        for (unsigned b = byteOf(list[k]); b <= byteOf(list[k + 2]); ++b) {
            accepts.set(b);
        }
        k += 2;
    }
    if (negated) {
        accepts.flip();
    }
    at = close + 1;
    return true;
}

}  // namespace

std::optional<SearchPattern> SearchPattern::compile(std::string_view pattern) {
    SearchPattern compiled;
    size_t at = 0;
    while (at < pattern.size()) {
        Step step;
        const char c = pattern[at];
        if (c == '[') {
            bool empty = false;
            if (!readList(pattern, at, step.accepts, empty)) {
                return std::nullopt;
            }
            if (empty) {
                continue;
            }
        } else {
            if (c == '*') {
                step.star = true;
            } else if (c == '?') {
                step.accepts.set();
            } else if (c == '#') {
                for (char digit = '0'; digit <= '9'; ++digit) {
                    step.accepts.set(byteOf(digit));
                }
            } else {
                step.accepts.set(byteOf(c));
            }
            ++at;
        }
        // Stars next to each other match what one star matches.
        if (!(step.star && !compiled.steps_.empty() && compiled.steps_.back().star)) {
            compiled.steps_.push_back(step);
        }
    }
    return compiled;
}

bool SearchPattern::matches(std::string_view text) const {
    // Every step but a star takes exactly one byte, so on a mismatch it is
    // enough to let the latest star take one byte more and go on from there.
    size_t t = 0;
    size_t s = 0;
    size_t starStep = std::string::npos;
    size_t starText = 0;
    while (t < text.size()) {
        if (s < steps_.size() && steps_[s].star) {
            starStep = s++;
            starText = t;
        } else if (s < steps_.size() && steps_[s].accepts.test(byteOf(text[t]))) {
            ++s;
            ++t;
        } else if (starStep != std::string::npos) {
            s = starStep + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (s < steps_.size() && steps_[s].star) {
        ++s;
    }
    return s == steps_.size();
}

}  // namespace qel
