#include "qellib/variant.h"

#include "platform/ascii.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace qel {
namespace {

namespace chrono = std::chrono;

constexpr chrono::sys_days kDateOrigin{chrono::year{1899} / chrono::December / 30};
constexpr int64_t kSecondsPerDay = 86400;
// Well beyond the years 0 to 9999, and small enough to convert to int64 safely.
constexpr double kDaysLimit = 1e7;

struct DateParts {
    chrono::year_month_day day;
    int64_t secondOfDay = 0;
};

std::optional<DateParts> splitDate(Date date) {
    if (!std::isfinite(date.days) || std::abs(date.days) > kDaysLimit) {
        return std::nullopt;
    }
    const double whole = std::trunc(date.days);
    int64_t dayNumber = static_cast<int64_t>(whole);
    int64_t seconds = std::llround(std::abs(date.days - whole) * kSecondsPerDay);
    if (seconds == kSecondsPerDay) {
        ++dayNumber;
        seconds = 0;
    }
    const chrono::year_month_day day{kDateOrigin + chrono::days{dayNumber}};
    if (day.year() < chrono::year{0} || day.year() > chrono::year{9999}) {
        return std::nullopt;
    }
    return DateParts{day, seconds};
}

Date joinDate(const DateParts& parts) {
    const int64_t dayNumber = (chrono::sys_days{parts.day} - kDateOrigin).count();
    const double time = static_cast<double>(parts.secondOfDay) / kSecondsPerDay;
    return Date{dayNumber < 0 ? static_cast<double>(dayNumber) - time
                              : static_cast<double>(dayNumber) + time};
}

std::optional<std::string> dateText(Date date) {
    const auto parts = splitDate(date);
    if (!parts) {
        return std::nullopt;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", int{parts->day.year()},
                  unsigned{parts->day.month()}, unsigned{parts->day.day()},
                  static_cast<int>(parts->secondOfDay / 3600),
                  static_cast<int>(parts->secondOfDay / 60 % 60),
                  static_cast<int>(parts->secondOfDay % 60));
    return text;
}

std::string doubleText(double number) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, number);
    return std::string(text, result.ptr);
}

struct TextForm {
    std::optional<std::string> operator()(Empty) const { return std::string(); }
    std::optional<std::string> operator()(const std::string& text) const { return text; }
    std::optional<std::string> operator()(int64_t number) const { return std::to_string(number); }
    std::optional<std::string> operator()(double number) const { return doubleText(number); }
    std::optional<std::string> operator()(bool flag) const {
        return std::string(flag ? "True" : "False");
    }
    std::optional<std::string> operator()(Date date) const { return dateText(date); }
    std::optional<std::string> operator()(const StringArray&) const { return std::nullopt; }
    std::optional<std::string> operator()(Missing) const { return std::nullopt; }
};

template <typename Number>
std::optional<Number> parseWhole(std::string_view text) {
    Number number{};
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, number);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

std::optional<std::string> toText(const Variant& value) {
    return std::visit(TextForm{}, value);
}

std::optional<int64_t> parseInt64(std::string_view text) {
    return parseWhole<int64_t>(text);
}

std::optional<double> parseDouble(std::string_view text) {
    return parseWhole<double>(text);
}

std::optional<bool> parseBool(std::string_view text) {
    if (platform::asciiEqualsIgnoreCase(text, "True")) {
        return true;
    }
    if (platform::asciiEqualsIgnoreCase(text, "False")) {
        return false;
    }
    return std::nullopt;
}

std::optional<Date> parseDate(std::string_view text) {
    // "yyyy-mm-dd hh:mm:ss": digits everywhere but at the separators.
    constexpr std::string_view kShape = "0000-00-00 00:00:00";
    if (text.size() != kShape.size()) {
        return std::nullopt;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digitWanted = kShape[i] == '0';
        const bool isDigit = text[i] >= '0' && text[i] <= '9';
        if (digitWanted ? !isDigit : text[i] != kShape[i]) {
            return std::nullopt;
        }
    }
    const auto field = [text](size_t at, size_t length) {
        return *parseWhole<int>(text.substr(at, length));
    };
    const chrono::year_month_day day{chrono::year{field(0, 4)},
                                     chrono::month{static_cast<unsigned>(field(5, 2))},
                                     chrono::day{static_cast<unsigned>(field(8, 2))}};
    const int hour = field(11, 2);
    const int minute = field(14, 2);
    const int second = field(17, 2);
    if (!day.ok() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    return joinDate({day, hour * int64_t{3600} + minute * 60 + second});
}

Date currentDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    const chrono::year_month_day day{chrono::year{local.tm_year + 1900},
                                     chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                     chrono::day{static_cast<unsigned>(local.tm_mday)}};
    const int second = std::min(local.tm_sec, 59);  // a leap second reads as :59
    return joinDate({day, local.tm_hour * int64_t{3600} + local.tm_min * 60 + second});
}

}  // namespace qel
