#include "platform/zlib_stream.h"

#include "platform/scratch_buffer.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cstdint>

namespace platform::zlib {
namespace {

// Deflate never expands data by more than about 1032 to 1; a length beyond
// that for a stream is a lie.
constexpr int64_t MaxExpansion = 1032;
constexpr int64_t ExpansionSlack = 1024;

constexpr int FastestLevel = 1;
constexpr int SmallestLevel = 9;

// libdeflate deflates two to three times faster than zlib at the lower
// levels; at the best level zlib is the faster of the two on message-sized
// bodies, for a stream of the same size.
bool libdeflateIsFaster(int level) {
    return level < SmallestLevel;
}

struct FreeCompressor {
    void operator()(libdeflate_compressor* compressor) const {
        libdeflate_free_compressor(compressor);
    }
};
struct FreeDecompressor {
    void operator()(libdeflate_decompressor* decompressor) const {
        libdeflate_free_decompressor(decompressor);
    }
};

}  // namespace

struct Deflater::Coder {
    explicit Coder(int level) : level(level) {}
    ~Coder() {
        if (zlibReady) {
            deflateEnd(&zlibStream);
        }
    }
    Coder(const Coder&) = delete;
    Coder& operator=(const Coder&) = delete;

    const int level;
    ScratchBuffer out;
    // The coder of the level, set up on first use.
    std::unique_ptr<libdeflate_compressor, FreeCompressor> libdeflate;
    z_stream zlibStream{};
    bool zlibReady = false;

    // `data` deflated into `out`; none for a coder error.
    std::optional<std::string_view> deflate(std::string_view data) {
        if (level < FastestLevel || level > SmallestLevel || data.size() > UINT32_MAX) {
            return std::nullopt;
        }
        return libdeflateIsFaster(level) ? byLibdeflate(data) : byZlib(data);
    }

    std::optional<std::string_view> byLibdeflate(std::string_view data) {
        if (!libdeflate) {
            libdeflate.reset(libdeflate_alloc_compressor(level));
            if (!libdeflate) {
                return std::nullopt;
            }
        }
        const size_t bound = libdeflate_zlib_compress_bound(libdeflate.get(), data.size());
        char* const into = out.space(bound);
        const size_t length =
            libdeflate_zlib_compress(libdeflate.get(), data.data(), data.size(), into, bound);
        if (length == 0) {
            return std::nullopt;
        }
        return std::string_view(into, length);
    }

    std::optional<std::string_view> byZlib(std::string_view data) {
        if (!zlibReady) {
            if (deflateInit(&zlibStream, level) != Z_OK) {
                return std::nullopt;
            }
            zlibReady = true;
        } else if (deflateReset(&zlibStream) != Z_OK) {
            return std::nullopt;
        }
        const uLong bound = deflateBound(&zlibStream, static_cast<uLong>(data.size()));
        char* const into = out.space(bound);
        // zlib's interface; the input is never written.
        zlibStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        zlibStream.avail_in = static_cast<uInt>(data.size());
        zlibStream.next_out = reinterpret_cast<Bytef*>(into);
        zlibStream.avail_out = static_cast<uInt>(bound);
        if (::deflate(&zlibStream, Z_FINISH) != Z_STREAM_END) {
            return std::nullopt;
        }
        return std::string_view(into, bound - zlibStream.avail_out);
    }
};

std::optional<std::string> compress(std::string_view data, int level) {
    return Deflater(level).compress(data);
}

Deflater::Deflater(int level) : coder_(std::make_unique<Coder>(level)) {}

Deflater::~Deflater() = default;

std::optional<std::string> Deflater::compress(std::string_view data) {
    const std::optional<std::string_view> stream = coder_->deflate(data);
    if (!stream) {
        return std::nullopt;
    }
    return std::string(*stream);
}

bool Deflater::compressInPlace(std::string& data) {
    const std::optional<std::string_view> stream = coder_->deflate(data);
    if (!stream) {
        return false;
    }
    data.assign(*stream);  // within the body's own capacity unless it grew
    return true;
}

std::optional<std::string> inflateExactly(std::string_view stream, int64_t length) {
    if (stream.empty() || length < 0 ||
        length > MaxExpansion * static_cast<int64_t>(stream.size()) + ExpansionSlack) {
        return std::nullopt;
    }
    const std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor) {
        return std::nullopt;
    }
    std::string data(static_cast<size_t>(length), '\0');
    // Without a place for the length produced, any other length than the
    // buffer's fails.
    if (libdeflate_zlib_decompress(decompressor.get(), stream.data(), stream.size(), data.data(),
                                   data.size(), nullptr) != LIBDEFLATE_SUCCESS) {
        return std::nullopt;
    }
    return data;
}

}  // namespace platform::zlib
