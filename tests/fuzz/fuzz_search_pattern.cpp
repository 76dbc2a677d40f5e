// Checks the search pattern matcher against a plain dynamic-programming
// matcher over the same steps, on small alphabets where stars, lists, ranges
// and digits meet often.
#include "search_pattern.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

// One step of the reference: a star, or the bytes one byte may be.
struct Step {
    bool star = false;
    std::string accepts;
};

// The steps of a pattern, read as simply as possible; nullopt when invalid.
std::optional<std::vector<Step>> referenceSteps(const std::string& pattern) {
    std::vector<Step> steps;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '*') {
            steps.push_back({true, {}});
        } else if (c == '?') {
            Step any;
            for (int b = 0; b < 256; ++b) {
                any.accepts.push_back(static_cast<char>(b));
            }
            steps.push_back(any);
        } else if (c == '#') {
            steps.push_back({false, "0123456789"});
        } else if (c != '[') {
            steps.push_back({false, std::string(1, c)});
        } else {
            size_t j = i + 1;
            const bool negated =
                j + 1 < pattern.size() && pattern[j] == '!' && pattern[j + 1] != ']';
            j += negated ? 1 : 0;
            const size_t close = pattern.find(']', j);
            if (close == std::string::npos) {
                return std::nullopt;
            }
            std::string members;
            for (size_t k = j; k < close; ++k) {
                if (k + 2 < close && pattern[k + 1] == '-') {
                    const auto low = static_cast<unsigned char>(pattern[k]);
                    const auto high = static_cast<unsigned char>(pattern[k + 2]);
                    if (low > high) {
                        return std::nullopt;
                    }
                    for (unsigned b = low; b <= high; ++b) {
                        members.push_back(static_cast<char>(b));
                    }
                    k += 2;
                } else {
                    members.push_back(pattern[k]);
                }
            }
            i = close;
            if (members.empty() && !negated) {
                continue;
            }
            if (negated) {
                std::string outside;
                for (int b = 0; b < 256; ++b) {
                    if (members.find(static_cast<char>(b)) == std::string::npos) {
                        outside.push_back(static_cast<char>(b));
                    }
                }
                members = outside;
            }
            steps.push_back({false, members});
        }
    }
    return steps;
}

bool referenceMatch(const std::vector<Step>& steps, const std::string& text) {
    // matched[j]: the text read so far matches the first j steps.
    std::vector<bool> matched(steps.size() + 1, false);
    matched[0] = true;
    for (size_t j = 1; j <= steps.size() && steps[j - 1].star; ++j) {
        matched[j] = true;
    }
    for (const char c : text) {
        std::vector<bool> next(steps.size() + 1, false);
        for (size_t j = 1; j <= steps.size(); ++j) {
            const Step& step = steps[j - 1];
            if (step.star) {
                next[j] = next[j - 1] || matched[j];
            } else if (step.accepts.find(c) != std::string::npos) {
                next[j] = matched[j - 1];
            }
        }
        matched = std::move(next);
    }
    return matched[steps.size()];
}

std::string fromBytes(const uint8_t* data, size_t size) {
    static const char alphabet[] = {'a', 'b', 'c', '*', '?', '#', '[', ']', '!', '-', '1', 'z'};
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text.push_back(alphabet[data[i] % sizeof alphabet]);
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 64) {
        return 0;
    }
    const size_t patternLength = std::min<size_t>(data[0], size - 1);
    const std::string pattern = fromBytes(data + 1, patternLength);
    const std::string text = fromBytes(data + 1 + patternLength, size - 1 - patternLength);
    const std::optional<qel::SearchPattern> compiled = qel::SearchPattern::compile(pattern);
    const std::optional<std::vector<Step>> reference = referenceSteps(pattern);
    if (compiled.has_value() != reference.has_value()) {
        std::abort();
    }
    if (compiled && compiled->matches(text) != referenceMatch(*reference, text)) {
        std::abort();
    }
    return 0;
}
