#pragma once

#include <cstdint>

namespace qel {

// A byte range of a file: first and last byte (0-based, inclusive) and the
// whole file's length. A fresh range holds 0 in each field; -1 means "not given".
class cXRange {
  public:
    int64_t lngStart = 0;
    int64_t lngEnd = 0;
    int64_t lngLen = 0;
};

}  // namespace qel
