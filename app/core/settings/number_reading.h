#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tornel {

// How the settings dialog reads its numeric fields back. Both readings use
// "." as the decimal point whatever the locale.

// The number the text begins with (after blanks; an optional sign, digits,
// an optional fraction and exponent); the rest of the text is ignored.
// Nothing when the text does not begin with a number.
std::optional<double> leadingNumber(std::string_view text);

// The whole text as one number (blanks around it allowed); nothing when any
// part of it is not.
std::optional<double> wholeNumberText(std::string_view text);

// `value` rounded to a whole number, halves to the even neighbour; nothing
// when it is not finite or does not fit 64 bits.
std::optional<int64_t> roundedToEven(double value);

}  // namespace tornel
