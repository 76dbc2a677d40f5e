#pragma once

#include "qellib/x_range.h"

#include <cstdint>
#include <optional>
#include <string>

// The byte ranges of file transfers: what a GET's range selects of a file,
// the range texts on the wire, and the chunk size a sender uses.
namespace qel {

// Bytes `first` to `last` of a file, 0-based and inclusive; empty when
// `last` < `first` (an empty file sent whole).
struct ByteSpan {
    int64_t first = 0;
    int64_t last = -1;
    bool empty() const { return last < first; }
    friend bool operator==(const ByteSpan&, const ByteSpan&) = default;
};

// What a request selects of a file of `size` bytes. No range (null, or both
// ends absent) is the whole file, empty or not; "a-b" is a to b; "N-" is N to
// the end; "-N" is 0 to N. An end beyond the file is clamped to its last
// byte. A range that then selects nothing (inverted, or starting at or beyond
// the end) gives nullopt: the request is refused.
std::optional<ByteSpan> servedSpan(const cXRange* requested, int64_t size);

// A GET's "Range" text: the start and "-" (a lone "-" without a start), then
// the end when there is one ("100-199", "100-", "-199", "-"). The length is
// not written.
std::string rangeText(const cXRange& range);

// A chunk's "Content-Range" text: first "-" last "/" size.
std::string contentRangeText(int64_t first, int64_t last, int64_t size);

inline constexpr int64_t DefaultChunkSize = 256 * 1024;
inline constexpr int64_t MinChunkSize = 1024;
inline constexpr int64_t MaxChunkSize = 16 * 1024 * 1024;

// The chunk size to use for a configured one: the default for 0 or less,
// otherwise within MinChunkSize..MaxChunkSize.
int64_t chunkSizeFor(int64_t configured);

}  // namespace qel
