#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// zlib streams, for packet bodies and package members alike. Each caller
// keeps its own limits and reports failures in its own words.
namespace platform::zlib {

// `data` as a zlib stream at `level` (1..9); none for any other level or a
// zlib error.
std::optional<std::string> compress(std::string_view data, int level);

// Exactly `length` bytes inflated from `stream`; none when the stream does not
// give exactly that many, or when no deflate stream of its size could reach
// `length` (checked before anything is allocated).
std::optional<std::string> inflateExactly(std::string_view stream, int64_t length);

}  // namespace platform::zlib
