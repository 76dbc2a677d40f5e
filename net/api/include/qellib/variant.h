#pragma once

#include <cstdint>
#include <string>
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

// A date and time as days since 30 December 1899 (the fraction is the time of day).
struct Date {
    double days = 0;
    friend bool operator==(Date, Date) = default;
};

using StringArray = std::vector<std::string>;

using Variant = std::variant<Empty, std::string, int64_t, double, bool, Date, StringArray, Missing>;

inline bool isEmpty(const Variant& value) { return std::holds_alternative<Empty>(value); }
inline bool isMissing(const Variant& value) { return std::holds_alternative<Missing>(value); }

}  // namespace qel
