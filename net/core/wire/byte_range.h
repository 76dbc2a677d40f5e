#pragma once

#include "qellib/x_range.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace qel {

// Reads "start-end" or "start-end/length" (parts trimmed; an empty part is
// -1). Gives null for a lone "-"; without a "-", with the "-" after the "/",
// or with a part that is not a number of 0 or more, reports and gives null.
std::shared_ptr<cXRange> parseRange(std::string_view text);

// A new range holding the three values.
std::shared_ptr<cXRange> makeRange(int64_t lngStart, int64_t lngEnd, int64_t lngLen);

}  // namespace qel
