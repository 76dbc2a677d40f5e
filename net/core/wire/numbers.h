#pragma once

#include <cstdint>
#include <string_view>

namespace qel {

// Decimal text (blanks around it and a sign allowed) as a number. Throws
// RuntimeError 13 (type mismatch) for anything else and 6 (overflow) for a
// number that does not fit.
int64_t toInt64(std::string_view text);
int32_t toInt32(std::string_view text);

// `text` without the blanks (spaces) at both ends.
std::string_view trimBlanks(std::string_view text);

}  // namespace qel
