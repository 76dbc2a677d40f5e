#include "platform/zlib_stream.h"

#include <zlib.h>

#include <cstdint>

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

struct Deflater::Stream {
    z_stream z{};
    ~Stream() { deflateEnd(&z); }
};

Deflater::Deflater(int level) : level_(level) {}

Deflater::~Deflater() = default;

std::optional<std::string> Deflater::compress(std::string_view data) {
    if (data.size() > UINT32_MAX) {
        return std::nullopt;
    }
    if (!stream_) {
        auto fresh = std::make_unique<Stream>();
        if (level_ < Z_BEST_SPEED || level_ > Z_BEST_COMPRESSION ||
            deflateInit(&fresh->z, level_) != Z_OK) {
            return std::nullopt;
        }
        stream_ = std::move(fresh);
    } else if (deflateReset(&stream_->z) != Z_OK) {
        return std::nullopt;
    }
    z_stream& z = stream_->z;
    std::string stream(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = const_cast<Bytef*>(bytesOf(data));  // zlib's interface; never written
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(stream.data());
    z.avail_out = static_cast<uInt>(stream.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) {
        return std::nullopt;
    }
    stream.resize(stream.size() - z.avail_out);
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
