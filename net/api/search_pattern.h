#pragma once

#include <bitset>
#include <optional>
#include <string_view>
#include <vector>

namespace qel {

// A search pattern: "?" matches any one byte, "*" any run of bytes (also
// none), "#" one digit, a bracketed list such as "[abc]" or "[a-f]" one byte
// of it and "[!x]" one byte outside it; "[]" stands for no byte at all, and
// every other byte matches itself exactly. Inside a
// list "*", "?" and "#" stand for themselves, "-" does at either end, and
// the first "]" ends the list. A match costs at most the product of the
// pattern's and the text's lengths: there is no exponential backtracking.
class SearchPattern {
  public:
    // Null when the pattern is not valid: a "[" without its "]", or a range
    // whose ends are reversed ("[z-a]").
    static std::optional<SearchPattern> compile(std::string_view pattern);

    bool matches(std::string_view text) const;

  private:
    // One step of the pattern: a star, or the set of bytes one byte may be.
    struct Step {
        bool star = false;
        std::bitset<256> accepts;
    };

    std::vector<Step> steps_;
};

}  // namespace qel
