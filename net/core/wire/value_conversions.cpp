#include "value_conversions.h"

#include "numbers.h"

#include "platform/runtime_error.h"

#include <limits>
#include <optional>

namespace qel {
namespace {

[[noreturn]] void typeMismatch() {
    throw platform::RuntimeError(platform::rt::TypeMismatch);
}

int64_t fitting(int64_t value, int64_t lowest, int64_t highest) {
    if (value < lowest || value > highest) {
        throw platform::RuntimeError(platform::rt::Overflow);
    }
    return value;
}

}  // namespace

std::string textOf(const Variant& value) {
    return toText(value).value_or(std::string());
}

bool booleanOf(const Variant& value) {
    if (const auto* flag = std::get_if<bool>(&value)) {
        return *flag;
    }
    const std::string text = textOf(value);
    if (const std::optional<bool> flag = parseBool(text)) {
        return *flag;
    }
    if (const std::optional<int64_t> number = parseInt64(text)) {
        return *number != 0;
    }
    typeMismatch();
}

int64_t int64Of(const Variant& value) {
    if (const auto* number = std::get_if<int64_t>(&value)) {
        return *number;
    }
    if (std::holds_alternative<std::string>(value)) {
        return toInt64(std::get<std::string>(value));
    }
    typeMismatch();
}

int32_t int32Of(const Variant& value) {
    return static_cast<int32_t>(fitting(int64Of(value), std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max()));
}

int32_t int16Of(const Variant& value) {
    return static_cast<int32_t>(fitting(int64Of(value), std::numeric_limits<int16_t>::min(),
                                        std::numeric_limits<int16_t>::max()));
}

}  // namespace qel
