#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// zlib streams of second-version package members.
namespace orv::package {

// `data` as a zlib stream at `level` (1..9); any other level, or a zlib error,
// fails with "Compression failed".
std::string compressMember(std::string_view data, int level);

// The uncompressed bytes of a stored stream whose uncompressed length is
// `originalSize` + 1. A stream that cannot produce exactly that many bytes, or a
// size no deflate stream of this length can reach, fails with "Damaged member
// data" before anything large is allocated.
std::string decompressMember(std::string_view stored, int32_t originalSize);

}  // namespace orv::package
