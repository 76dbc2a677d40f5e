#include "core/util/utilities.h"

#include "core/util/safe_local_name.h"
#include "platform/ascii.h"
#include "platform/identity.h"

#include <array>
#include <charconv>
#include <cmath>

namespace tornel {
namespace {

// Whether `text` matches `pattern`, in which "*" stands for any run of characters.
bool wildcardMatch(std::string_view text, std::string_view pattern) {
    size_t t = 0;
    size_t p = 0;
    size_t starAt = std::string_view::npos;
    size_t resumeAt = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            t = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

std::string decimalText(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::nearbyint(value * scale) / scale;  // default mode: halves to even
    // to_chars writes "." whatever the process's locale (printf would not).
    std::array<char, 512> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), rounded,
                                       std::chars_format::fixed, decimals);
    std::string text(buffer.data(), written.ec == std::errc() ? written.ptr : buffer.data());
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text == "-0" ? "0" : text;
}

std::string getFileName(std::string_view path) {
    if (path.size() < 4 && path.find(':') != std::string_view::npos) {
        return std::string(path.substr(0, 1)) + " Drive";
    }
    return std::string(lastPathComponent(path));
}

std::string GUID() {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(32);
    // The fields of a GUID in their text order are its bytes in order.
    for (const uint8_t byte : platform::newGuid()) {
        text += Digits[byte >> 4];
        text += Digits[byte & 0x0F];
    }
    return text;
}

std::string getSize(int64_t value, int decimals, int64_t divisor) {
    static constexpr std::array<const char*, 4> Units = {" bytes", " KB", " MB", " GB"};
    // Single precision, as the sizes have always been shown.
    float x = static_cast<float>(value);
    size_t unit = 0;
    while (divisor > 0 && x >= static_cast<float>(divisor) && unit + 1 < Units.size()) {
        x /= static_cast<float>(divisor);
        ++unit;
    }
    return decimalText(x, decimals) + Units[unit];
}

bool isSystem(std::string_view name) {
    static constexpr std::array<std::string_view, 7> Patterns = {
        "ALBUMART_{*-*-*-*}_*",      "DESKTOP.INI", "RECYCLER", "RECYCLED", "_RESTORE",
        "SYSTEM VOLUME INFORMATION", "THUMBS.DB"};
    std::string upper;
    for (const char c : name) {
        if (c != '\\') {
            upper += platform::asciiUpper(c);
        }
    }
    for (const std::string_view pattern : Patterns) {
        if (wildcardMatch(upper, pattern)) {
            return true;
        }
    }
    return false;
}

}  // namespace tornel
