#pragma once

#include "input_limits.h"

#include <cstdint>
#include <string>
#include <string_view>

// The two transforms of packet bodies. A failure is reported and leaves the
// body as it was; the result says whether the transform was applied.
namespace qel {

// XORs each byte with the key's bytes in turn; applying it twice with the
// same key restores the body. An empty key fails.
bool encryptData(std::string& data, std::string_view key);
inline bool decryptData(std::string& data, std::string_view key) {
    return encryptData(data, key);
}

// zlib compression at `level` (the protocol uses 9). An empty body fails.
bool compressData(std::string& data, int level);

// Inflates a compressed body to exactly `originalLength` bytes (the sender's
// "Original-Length"). A length beyond `maxLength` (see
// limits::maxInflatedBody), beyond what the compressed bytes could hold, or
// out of bounds fails before anything is allocated; so does a corrupt body
// or one of another length.
bool decompressData(std::string& data, int64_t originalLength,
                    int64_t maxLength = limits::MaxDecompressedBytes);

}  // namespace qel
