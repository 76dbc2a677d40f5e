#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

namespace tornel {

// The blocks of a download that arrived beyond a gap: they are written at
// once, but count as present only when the bytes before them have come, so
// progress, resume points and completion never cover a hole.
class BlocksAhead {
  public:
    // Takes `length` bytes at `start`, given the bytes present from the
    // first on (`present`); returns the bytes present from the first on
    // afterwards.
    int64_t add(int64_t present, int64_t start, int64_t length);
    // The separate runs of bytes waiting beyond a gap.
    size_t count() const { return runs_.size(); }

  private:
    std::map<int64_t, int64_t> runs_;  // start → end (exclusive); disjoint, apart
};

}  // namespace tornel
