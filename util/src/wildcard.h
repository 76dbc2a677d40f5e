#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// A file-name pattern: "*" matches any run of bytes (also none), "?" exactly
// one byte, and every other byte itself, ASCII case-insensitively; nothing
// else is special. A trailing ".*" also matches a name without that
// extension, so "*.*" matches every name. A match takes time linear in the
// name's length, never backtracking: each run between stars is found at its
// leftmost place by one forward scan, the scans together read each byte about
// once, and a byte costs one word operation per 64 bytes of the run.
class WildcardPattern {
  public:
    explicit WildcardPattern(std::string_view pattern);
    bool matches(std::string_view name) const;

  private:
    // The plain pattern: a head, runs each preceded by a star, and a tail
    // after the last star.
    class Glob {
      public:
        explicit Glob(std::string_view pattern);
        bool matches(std::string_view name) const;

      private:
        // A run between two stars, found at its leftmost place by a
        // bit-parallel scan (bit j of the state: the last j + 1 bytes match
        // the run's first j + 1).
        class Run {
          public:
            explicit Run(std::string_view folded);
            size_t length() const { return length_; }
            // Where the first occurrence inside name[from, to) ends, or npos.
            size_t findEnd(std::string_view name, size_t from, size_t to) const;

          private:
            const uint64_t* maskFor(char byte) const;

            size_t length_ = 0;
            size_t words_ = 0;
            std::array<uint16_t, 256> maskIndex_{};  // per folded byte; 0 is the "?" mask
            std::vector<uint64_t> masks_;            // words_ per mask
        };

        bool starred_ = false;
        std::string head_;
        std::string tail_;
        std::vector<Run> runs_;
        size_t shortestName_ = 0;
    };

    Glob whole_;
    std::optional<Glob> withoutExtension_;
};

}  // namespace orv
