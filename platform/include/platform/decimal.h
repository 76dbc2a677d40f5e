#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

enum class DecimalStatus { Ok, NotANumber, Overflow };

struct Decimal {
    int64_t value = 0;
    DecimalStatus status = DecimalStatus::NotANumber;
    bool ok() const { return status == DecimalStatus::Ok; }
};

// Text that is exactly a decimal whole number with an optional sign ("+" or
// "-", no blanks), as a 64-bit number; a number that does not fit is an
// overflow. Nothing is thrown, so peers' text is read without side effects.
Decimal parseDecimal(std::string_view text);

}  // namespace platform
