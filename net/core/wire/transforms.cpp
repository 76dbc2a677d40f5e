#include "transforms.h"

#include "guarded.h"
#include "input_limits.h"

#include "platform/runtime_error.h"

#include <zlib.h>

#include <algorithm>

namespace qel {
namespace {

// deflate never shrinks data by more than about 1032 to 1.
constexpr int64_t MaxInflateRatio = 1032;
constexpr int64_t InflateSlack = 1024;

[[noreturn]] void fail(std::string description) {
    throw platform::RuntimeError(platform::rt::InvalidProcedureCall, std::move(description));
}

}  // namespace

bool encryptData(std::string& data, std::string_view key) {
    return guarded("", false, [&] {
        if (key.empty()) {
            fail("Cannot encrypt with an empty key");
        }
        size_t k = 0;
        for (char& byte : data) {
            byte = static_cast<char>(byte ^ key[k]);
            k = k + 1 == key.size() ? 0 : k + 1;
        }
        return true;
    });
}

bool compressData(std::string& data, int level) {
    return guarded("", false, [&] {
        if (data.empty()) {
            fail("Cannot compress an empty body");
        }
        uLongf produced = compressBound(static_cast<uLong>(data.size()));
        std::string compressed(produced, '\0');
        const int result = compress2(reinterpret_cast<Bytef*>(compressed.data()), &produced,
                                     reinterpret_cast<const Bytef*>(data.data()),
                                     static_cast<uLong>(data.size()), level);
        if (result != Z_OK) {
            fail("Compression failed (zlib " + std::to_string(result) + ")");
        }
        compressed.resize(produced);
        data = std::move(compressed);
        return true;
    });
}

bool decompressData(std::string& data, int64_t originalLength, int64_t maxLength) {
    return guarded("", false, [&] {
        const auto compressedLength = static_cast<int64_t>(data.size());
        if (data.empty() || originalLength < 0 ||
            originalLength > std::min(maxLength, limits::MaxDecompressedBytes) ||
            originalLength > compressedLength * MaxInflateRatio + InflateSlack) {
            fail("Cannot decompress body: Original-Length " + std::to_string(originalLength) +
                 " for " + std::to_string(compressedLength) + " bytes");
        }
        std::string inflated(static_cast<size_t>(originalLength), '\0');
        auto produced = static_cast<uLongf>(originalLength);
        const int result = uncompress(reinterpret_cast<Bytef*>(inflated.data()), &produced,
                                      reinterpret_cast<const Bytef*>(data.data()),
                                      static_cast<uLong>(data.size()));
        if (result != Z_OK || static_cast<int64_t>(produced) != originalLength) {
            fail("Cannot decompress body (zlib " + std::to_string(result) + ")");
        }
        data = std::move(inflated);
        return true;
    });
}

}  // namespace qel
