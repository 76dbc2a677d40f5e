#include "platform/zlib_stream.h"

#include <zlib.h>

namespace platform::zlib {
namespace {

// Deflate never expands data by more than about 1032 to 1; a length beyond
// that for a stream is a lie.
constexpr int64_t MaxExpansion = 1032;
constexpr int64_t ExpansionSlack = 1024;

const Bytef* bytesOf(std::string_view data) {
    return reinterpret_cast<const Bytef*>(data.data());
}

}  // namespace

std::optional<std::string> compress(std::string_view data, int level) {
    if (level < Z_BEST_SPEED || level > Z_BEST_COMPRESSION) {
        return std::nullopt;
    }
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    std::string stream(length, '\0');
    if (compress2(reinterpret_cast<Bytef*>(stream.data()), &length, bytesOf(data),
                  static_cast<uLong>(data.size()), level) != Z_OK) {
        return std::nullopt;
    }
    stream.resize(length);
    return stream;
}

std::optional<std::string> inflateExactly(std::string_view stream, int64_t length) {
    if (stream.empty() || length < 0 ||
        length > MaxExpansion * static_cast<int64_t>(stream.size()) + ExpansionSlack) {
        return std::nullopt;
    }
    std::string data(static_cast<size_t>(length), '\0');
    auto produced = static_cast<uLongf>(length);
    if (uncompress(reinterpret_cast<Bytef*>(data.data()), &produced, bytesOf(stream),
                   static_cast<uLong>(stream.size())) != Z_OK ||
        static_cast<int64_t>(produced) != length) {
        return std::nullopt;
    }
    return data;
}

}  // namespace platform::zlib
