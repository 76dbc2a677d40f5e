#pragma once

#include <cstdint>

namespace tornel {

// numerator × scale / denominator rounded to a whole number, halves to the
// even neighbour, computed exactly; 0 when `denominator` is not positive.
inline int64_t roundedRatio(int64_t numerator, int64_t denominator, int64_t scale = 1) {
    if (denominator <= 0) {
        return 0;
    }
    const __int128 product = static_cast<__int128>(numerator) * scale;
    __int128 quotient = product / denominator;
    __int128 remainder = product % denominator;
    if (remainder < 0) {
        remainder += denominator;
        quotient -= 1;
    }
    const __int128 twice = remainder * 2;
    if (twice > denominator || (twice == denominator && quotient % 2 != 0)) {
        quotient += 1;
    }
    return static_cast<int64_t>(quotient);
}

}  // namespace tornel
