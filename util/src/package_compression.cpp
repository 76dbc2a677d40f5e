#include "package_compression.h"

#include "platform/runtime_error.h"

#include <zlib.h>

namespace orv::package {
namespace {

// Deflate never expands data by more than about 1032 to 1; a header that
// claims more than this for a stream is lying.
constexpr int64_t kMaxExpansion = 1032;
constexpr int64_t kExpansionSlack = 64;

platform::RuntimeError compressionFailed() {
    return platform::RuntimeError(platform::rt::InvalidProcedureCall, "Compression failed");
}

platform::RuntimeError damagedData() {
    return platform::RuntimeError(platform::rt::InvalidProcedureCall, "Damaged member data");
}

const Bytef* bytesOf(std::string_view data) {
    return reinterpret_cast<const Bytef*>(data.data());
}

}  // namespace

std::string compressMember(std::string_view data, int level) {
    if (level < Z_BEST_SPEED || level > Z_BEST_COMPRESSION) {
        throw compressionFailed();
    }
    uLongf length = compressBound(data.size());
    std::string stream(length, '\0');
    if (compress2(reinterpret_cast<Bytef*>(stream.data()), &length, bytesOf(data), data.size(),
                  level) != Z_OK) {
        throw compressionFailed();
    }
    stream.resize(length);
    return stream;
}

std::string decompressMember(std::string_view stored, int32_t originalSize) {
    const int64_t expected = static_cast<int64_t>(originalSize) + 1;
    if (originalSize < 0 ||
        expected > kMaxExpansion * static_cast<int64_t>(stored.size()) + kExpansionSlack) {
        throw damagedData();
    }
    std::string data(static_cast<size_t>(expected), '\0');
    uLongf length = static_cast<uLongf>(expected);
    if (uncompress(reinterpret_cast<Bytef*>(data.data()), &length, bytesOf(stored),
                   stored.size()) != Z_OK ||
        static_cast<int64_t>(length) != expected) {
        throw damagedData();
    }
    return data;
}

}  // namespace orv::package
