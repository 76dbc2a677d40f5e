#include "core/settings/number_reading.h"

#include <charconv>
#include <cmath>

namespace tornel {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view withoutLeadingBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

// The number at the start of `text` and the length it takes; nothing when
// the text does not start with one. Names such as "inf" and "nan" are not
// numbers here.
std::optional<std::pair<double, size_t>> numberAtStart(std::string_view text) {
    size_t at = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        at = 1;
    }
    const std::string_view rest = text.substr(at);
    const bool startsWithDigit =
        !rest.empty() &&
        (isDigit(rest[0]) || (rest[0] == '.' && rest.size() > 1 && isDigit(rest[1])));
    if (!startsWithDigit) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (error == std::errc::invalid_argument) {
        return std::nullopt;
    }
    if (error == std::errc::result_out_of_range) {
        value = HUGE_VAL;  // far outside every range the dialog accepts
    }
    return std::pair{negative ? -value : value, at + size_t(end - rest.data())};
}

}  // namespace

std::optional<double> leadingNumber(std::string_view text) {
    const auto number = numberAtStart(withoutLeadingBlanks(text));
    if (!number) {
        return std::nullopt;
    }
    return number->first;
}

std::optional<double> wholeNumberText(std::string_view text) {
    text = withoutLeadingBlanks(text);
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    const auto number = numberAtStart(text);
    if (!number || number->second != text.size()) {
        return std::nullopt;
    }
    return number->first;
}

std::optional<int64_t> roundedToEven(double value) {
    // The default rounding mode rounds halves to even.
    const double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) || rounded < -9.2e18 || rounded > 9.2e18) {
        return std::nullopt;
    }
    return static_cast<int64_t>(rounded);
}

}  // namespace tornel
