#include "numbers.h"

#include "platform/runtime_error.h"

#include <charconv>
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
    std::string_view digits = trimBlanks(text);
    if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') {
        digits.remove_prefix(1);
    }
    int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        throw platform::RuntimeError(platform::rt::Overflow);
    }
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        throw platform::RuntimeError(platform::rt::TypeMismatch);
    }
    return value;
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
