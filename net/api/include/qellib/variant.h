#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// The one value type of the library: settings values, RPC parameters and file
// metadata. "Missing" (an optional argument left out) is distinct from every
// value, also from Empty.
namespace qel {

struct Empty {
    friend bool operator==(Empty, Empty) = default;
};

struct Missing {
    friend bool operator==(Missing, Missing) = default;
};

// A date and time as days since 30 December 1899: the whole days count from
// there (negative before it), the fraction's magnitude is the time of day.
struct Date {
    double days = 0;
    friend bool operator==(Date, Date) = default;
};

// An array of text with its lower bound: element i of the array is the
// vector's element i - lowerBound. Arrays built by the library and most
// callers start at 0; one read from a peer keeps the peer's bounds, so what
// is sent back goes with the bounds it came with.
struct StringArray : std::vector<std::string> {
    using std::vector<std::string>::vector;
    StringArray() = default;
    StringArray(std::vector<std::string> elements, int64_t lowerBound = 0)
        : std::vector<std::string>(std::move(elements)), lowerBound(lowerBound) {}

    int64_t lowerBound = 0;
    int64_t upperBound() const { return lowerBound + static_cast<int64_t>(size()) - 1; }

    friend bool operator==(const StringArray& a, const StringArray& b) {
        return a.lowerBound == b.lowerBound && static_cast<const std::vector<std::string>&>(a) ==
                                                   static_cast<const std::vector<std::string>&>(b);
    }
};

using Variant = std::variant<Empty, std::string, int64_t, double, bool, Date, StringArray, Missing>;

inline bool isEmpty(const Variant& value) {
    return std::holds_alternative<Empty>(value);
}
inline bool isMissing(const Variant& value) {
    return std::holds_alternative<Missing>(value);
}

// The text form of a value, the same on every machine: text unchanged, Empty
// as "", integers in plain decimal, Booleans "True" or "False", doubles in the
// shortest form that reads back exactly ("0.1", "-2.5e+300"), dates as
// "yyyy-mm-dd hh:mm:ss" (years 0 to 9999). Arrays, Missing and dates out of
// that range have none.
std::optional<std::string> toText(const Variant& value);

// Read the text forms back; std::nullopt when the whole text is not one.
std::optional<int64_t> parseInt64(std::string_view text);  // overflow fails
std::optional<double> parseDouble(std::string_view text);
std::optional<bool> parseBool(std::string_view text);  // "True"/"False" in any case
std::optional<Date> parseDate(std::string_view text);  // to the second

// The current local date and time, to the second.
Date currentDate();

}  // namespace qel
