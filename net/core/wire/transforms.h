#pragma once

#include "input_limits.h"
#include "wire_error.h"

#include "platform/zlib_stream.h"

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

// zlib format compression at `level` (1 fastest to 9 smallest). An empty body fails.
WireStatus compressData(std::string& data, int level);

// Compresses the bodies of outgoing packets when it pays, in place, keeping
// its compressors from one body to the next. Bodies up to `SmallBodyBytes`
// (messages, calls, descriptions) take level 9, cheap at their size. Larger
// ones (file chunks) take the fastest level, which keeps up with the link
// where level 9 does not, and only when a sample of their bytes looks
// compressible:
// media and archives go as they are, since readers take a body without the
// "Z" flag as plain.
class BodyCompressor {
  public:
    static constexpr size_t SmallBodyBytes = 4096;

    // Compresses `body` when that pays. Whether it did; a failure is
    // returned and leaves the body as it was.
    WireStatus compress(std::string& body, bool& compressed);

    // The level `body` would be compressed at; none when it would not pay.
    std::optional<int> levelFor(std::string_view body);

  private:
    platform::zlib::Deflater small_{9};
    platform::zlib::Deflater fast_{1};
};

// Inflates a compressed body to exactly `originalLength` bytes (the sender's
// "Original-Length"). A length beyond `maxLength` (see
// limits::maxInflatedBody), beyond what the compressed bytes could hold, or
// out of bounds fails before anything is allocated; so does a corrupt body
// or one of another length.
WireStatus decompressData(std::string& data, int64_t originalLength,
                          int64_t maxLength = limits::MaxDecompressedBytes);

}  // namespace qel
