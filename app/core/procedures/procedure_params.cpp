#include "core/procedures/procedure_params.h"

namespace tornel {
namespace {

std::optional<bool> fromNumber(int64_t number) {
    if (number == -1) {
        return true;
    }
    if (number == 0) {
        return false;
    }
    return std::nullopt;
}

}  // namespace

std::optional<bool> readBoolean(const qel::Variant& value) {
    if (const bool* flag = std::get_if<bool>(&value)) {
        return *flag;
    }
    if (const int64_t* number = std::get_if<int64_t>(&value)) {
        return fromNumber(*number);
    }
    const std::string* text = std::get_if<std::string>(&value);
    if (!text) {
        return std::nullopt;
    }
    if (const std::optional<bool> word = qel::parseBool(*text)) {
        return word;
    }
    if (const std::optional<int64_t> number = qel::parseInt64(*text)) {
        return fromNumber(*number);
    }
    return std::nullopt;
}

}  // namespace tornel
