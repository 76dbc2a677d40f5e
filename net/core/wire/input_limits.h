#pragma once

#include <cstdint>

// The most we accept from a peer or a file before allocating anything for it.
namespace qel::limits {

// Method line and header fields of one packet, blank line included. Most
// headers are a few hundred bytes, but the parameters of a remote call travel
// in header fields, so leave them room.
inline constexpr int64_t MaxHeaderBytes = 1024 * 1024;

// One packet body ("Content-Length"): besides file chunks, listings and search
// results, a node sends its whole program file in one FILE packet.
inline constexpr int64_t MaxBodyBytes = 256 * 1024 * 1024;

// One decompressed body ("Original-Length"): the same bound as a body, since
// the sender compressed a body it could have sent as it was.
inline constexpr int64_t MaxDecompressedBytes = MaxBodyBytes;

// Elements of one string-array header field: the writer numbers them with
// 16-bit indices, so nothing legitimate is larger.
inline constexpr int64_t MaxStringArrayElements = 32768;

// Nodes one session keeps descriptions of: a peer could announce any number
// of made-up node IDs.
inline constexpr int64_t MaxNodeTableEntries = 4096;

}  // namespace qel::limits
