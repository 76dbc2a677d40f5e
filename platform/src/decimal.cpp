#include "platform/decimal.h"

#include <charconv>

namespace platform {

Decimal parseDecimal(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    Decimal result;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result.value);
    if (error == std::errc::result_out_of_range) {
        result.status = DecimalStatus::Overflow;
    } else if (!text.empty() && error == std::errc() && end == text.data() + text.size()) {
        result.status = DecimalStatus::Ok;
    }
    return result;
}

}  // namespace platform
