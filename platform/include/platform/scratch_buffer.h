#pragma once

#include <cstddef>
#include <memory>

namespace platform {

// Bytes a coder or a socket writes into before they move on: grown without
// being zero-filled, and kept from one use to the next, so a steady stream of
// bodies of one size allocates once.
class ScratchBuffer {
  public:
    // At least `size` writable bytes. What was written before is not kept
    // when the buffer has to grow.
    char* space(size_t size) {
        if (size > capacity_) {
            bytes_ = std::make_unique_for_overwrite<char[]>(size);
            capacity_ = size;
        }
        return bytes_.get();
    }

  private:
    std::unique_ptr<char[]> bytes_;
    size_t capacity_ = 0;
};

}  // namespace platform
