#pragma once

#include <cstdint>

namespace tornel {

// One speed sample of a transfer: the bytes moved since the sample before,
// and the tick count (ms) when it was taken.
struct cChunk {
    int64_t lngBytes = 0;
    int64_t lngTime = 0;
};

}  // namespace tornel
