#include "numbers.h"

#include "platform/decimal.h"
#include "platform/runtime_error.h"

#include <limits>

namespace qel {

std::string_view trimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

int64_t toInt64(std::string_view text) {
    const platform::Decimal number = platform::parseDecimal(trimBlanks(text));
    if (number.status == platform::DecimalStatus::Overflow) {
        throw platform::RuntimeError(platform::rt::Overflow);
    }
    if (!number.ok()) {
        throw platform::RuntimeError(platform::rt::TypeMismatch);
    }
    return number.value;
}

int32_t toInt32(std::string_view text) {
    const int64_t value = toInt64(text);
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        throw platform::RuntimeError(platform::rt::Overflow);
    }
    return static_cast<int32_t>(value);
}

}  // namespace qel
