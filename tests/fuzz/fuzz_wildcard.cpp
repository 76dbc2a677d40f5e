// Checks the file-name pattern matcher against a plain dynamic-programming
// matcher on small alphabets, where stars, "?" and case meet often.
#include "wildcard.h"

#include "platform/ascii.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool referenceGlob(const std::string& pattern, const std::string& name) {
    // matched[j]: the name's first i bytes match the pattern's first j.
    std::vector<bool> matched(pattern.size() + 1, false);
    matched[0] = true;
    for (size_t j = 1; j <= pattern.size() && pattern[j - 1] == '*'; ++j) {
        matched[j] = true;
    }
    for (const char c : name) {
        std::vector<bool> next(pattern.size() + 1, false);
        for (size_t j = 1; j <= pattern.size(); ++j) {
            const char p = pattern[j - 1];
            if (p == '*') {
                next[j] = next[j - 1] || matched[j];
            } else if (p == '?' || platform::asciiLower(p) == platform::asciiLower(c)) {
                next[j] = matched[j - 1];
            }
        }
        matched = std::move(next);
    }
    return matched[pattern.size()];
}

bool referenceMatch(const std::string& pattern, const std::string& name) {
    return referenceGlob(pattern, name) ||
           (pattern.ends_with(".*") && referenceGlob(pattern.substr(0, pattern.size() - 2), name));
}

std::string fromBytes(const uint8_t* data, size_t size) {
    static const char alphabet[] = {'a', 'A', 'b', '*', '?', '.', '\xe9', 'c'};
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text.push_back(alphabet[data[i] % sizeof alphabet]);
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t patternLength = std::min<size_t>(data[0], size - 1);
    const std::string pattern = fromBytes(data + 1, patternLength);
    const std::string name = fromBytes(data + 1 + patternLength, size - 1 - patternLength);
    if (orv::WildcardPattern(pattern).matches(name) != referenceMatch(pattern, name)) {
        std::abort();
    }
    return 0;
}
