#pragma once

#include <cstdint>

// The most we accept from a peer or a file before allocating anything for it.
namespace qel::limits {

// Method line and header fields of one packet: real headers are a few hundred
// bytes (a long escaped path and a route of 20 hops stay far below this).
inline constexpr int64_t MaxHeaderBytes = 64 * 1024;

// One packet body ("Content-Length"): a file chunk is at most a few MiB, and
// listings and search results of large folders fit with room to spare.
inline constexpr int64_t MaxBodyBytes = 64 * 1024 * 1024;

// One decompressed body ("Original-Length"): the same bound as a body, since
// the sender compressed a body it could have sent as it was.
inline constexpr int64_t MaxDecompressedBytes = MaxBodyBytes;

// Elements of one string-array header field: the writer numbers them with
// 16-bit indices, so nothing legitimate is larger.
inline constexpr int64_t MaxStringArrayElements = 32768;

}  // namespace qel::limits
