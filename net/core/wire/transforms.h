#pragma once

#include "input_limits.h"
#include "wire_error.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The two transforms of packet bodies. A failure is returned, not reported,
// and leaves the body as it was.
namespace qel {

// XORs each byte with the key's bytes in turn; applying it twice with the
// same key restores the body. An empty key fails.
WireStatus encryptData(std::string& data, std::string_view key);
inline WireStatus decryptData(std::string& data, std::string_view key) {
    return encryptData(data, key);
}

// zlib compression at `level` (1 fastest to 9 smallest). An empty body fails.
WireStatus compressData(std::string& data, int level);

// The level to compress `body` at, none when compressing would not pay.
// Bodies up to `SmallBodyBytes` (messages, calls, descriptions) take level 9,
// cheap at their size. Larger ones (file chunks) take zlib's fastest level,
// which keeps up with the link where level 9 does not, and only when a sample
// of them shrinks: media and archives go as they are, since readers take a
// body without the "Z" flag as plain.
inline constexpr size_t SmallBodyBytes = 4096;
std::optional<int> compressionLevelFor(std::string_view body);

// Inflates a compressed body to exactly `originalLength` bytes (the sender's
// "Original-Length"). A length beyond `maxLength` (see
// limits::maxInflatedBody), beyond what the compressed bytes could hold, or
// out of bounds fails before anything is allocated; so does a corrupt body
// or one of another length.
WireStatus decompressData(std::string& data, int64_t originalLength,
                          int64_t maxLength = limits::MaxDecompressedBytes);

}  // namespace qel
