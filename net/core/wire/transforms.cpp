#include "transforms.h"

#include "guarded.h"
#include "input_limits.h"

#include "platform/runtime_error.h"
#include "platform/zlib_stream.h"

#include <algorithm>

namespace qel {
namespace {

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
        std::optional<std::string> compressed = platform::zlib::compress(data, level);
        if (!compressed) {
            fail("Compression failed");
        }
        data = std::move(*compressed);
        return true;
    });
}

bool decompressData(std::string& data, int64_t originalLength, int64_t maxLength) {
    return guarded("", false, [&] {
        if (data.empty() || originalLength < 0 ||
            originalLength > std::min(maxLength, limits::MaxDecompressedBytes)) {
            fail("Cannot decompress body: Original-Length " + std::to_string(originalLength) +
                 " for " + std::to_string(data.size()) + " bytes");
        }
        std::optional<std::string> inflated = platform::zlib::inflateExactly(data, originalLength);
        if (!inflated) {
            fail("Cannot decompress body to its Original-Length " + std::to_string(originalLength));
        }
        data = std::move(*inflated);
        return true;
    });
}

}  // namespace qel
