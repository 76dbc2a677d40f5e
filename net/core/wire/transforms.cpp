#include "transforms.h"

#include "input_limits.h"

#include "platform/runtime_error.h"
#include "platform/zlib_stream.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qel {
namespace {

WireStatus invalid(std::string description) {
    return WireStatus::failure(platform::rt::InvalidProcedureCall, std::move(description));
}

}  // namespace

WireStatus encryptData(std::string& data, std::string_view key) {
    if (key.empty()) {
        return invalid("Cannot encrypt with an empty key");
    }
    size_t k = 0;
    for (char& byte : data) {
        byte = static_cast<char>(byte ^ key[k]);
        k = k + 1 == key.size() ? 0 : k + 1;
    }
    return {};
}

WireStatus compressData(std::string& data, int level) {
    if (data.empty()) {
        return invalid("Cannot compress an empty body");
    }
    std::optional<std::string> compressed = platform::zlib::compress(data, level);
    if (!compressed) {
        return invalid("Compression failed");
    }
    data = std::move(*compressed);
    return {};
}

std::optional<int> BodyCompressor::levelFor(std::string_view body) {
    if (body.size() <= SmallBodyBytes) {
        return 9;
    }
    // The bytes' entropy over slices of the start, the middle and the end:
    // compressed and random data come close to 8 bits a byte, text and most
    // other data stay well below. Far cheaper than deflating a sample, which
    // is slowest on exactly the data that does not shrink.
    constexpr size_t Slice = 1024;
    constexpr double IncompressibleBits = 7.5;
    std::array<uint32_t, 256> counts{};
    for (const size_t at : {size_t{0}, body.size() / 2 - Slice / 2, body.size() - Slice}) {
        for (const char byte : body.substr(at, Slice)) {
            ++counts[static_cast<unsigned char>(byte)];
        }
    }
    const double total = 3.0 * Slice;
    double bits = 0;
    for (const uint32_t count : counts) {
        if (count != 0) {
            const double share = count / total;
            bits -= share * std::log2(share);
        }
    }
    if (bits >= IncompressibleBits) {
        return std::nullopt;
    }
    return 1;
}

WireStatus BodyCompressor::compress(std::string& body, bool& compressed) {
    compressed = false;
    if (body.empty()) {
        return invalid("Cannot compress an empty body");
    }
    const std::optional<int> level = levelFor(body);
    if (!level) {
        return {};
    }
    if (!(*level == 1 ? fast_ : small_).compressInPlace(body)) {
        return invalid("Compression failed");
    }
    compressed = true;
    return {};
}

WireStatus decompressData(std::string& data, int64_t originalLength, int64_t maxLength) {
    if (data.empty() || originalLength < 0 ||
        originalLength > std::min(maxLength, limits::MaxDecompressedBytes)) {
        return invalid("Cannot decompress body: Original-Length " + std::to_string(originalLength) +
                       " for " + std::to_string(data.size()) + " bytes");
    }
    std::optional<std::string> inflated = platform::zlib::inflateExactly(data, originalLength);
    if (!inflated) {
        return invalid("Cannot decompress body to its Original-Length " +
                       std::to_string(originalLength));
    }
    data = std::move(*inflated);
    return {};
}

}  // namespace qel
