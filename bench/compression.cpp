// Packet body compression: zlib (a deflate stream kept and reset between
// bodies, and uncompress) beside libdeflate's whole-buffer calls, at the
// levels the library uses, on 10 KiB file chunks, 4 KiB messages and whole
// 256 KiB bodies of text and of binary (this program's own image), each way.
// Every line ends with libdeflate's speed as a ratio of zlib's.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kBytesPerRound = size_t{64} << 20;  // through each coder per round

std::string textOf(size_t size) {
    static const char* const words[] = {"the ",  "node ",   "sends ", "a ",      "file ",
                                        "to ",   "its ",    "peer ",  "over ",   "loopback, ",
                                        "and ",  "every ",  "chunk ", "is ",     "confirmed ",
                                        "once ", "written", ".\n",    "Shares ", "folders "};
    std::string text;
    text.reserve(size);
    uint64_t random = 20210;
    while (text.size() < size) {
        random = random * 6364136223846793005ULL + 1442695040888963407ULL;
        text += words[(random >> 33) % std::size(words)];
    }
    text.resize(size);
    return text;
}

// Machine code and tables: this program's own image, repeated to `size`.
std::string binaryOf(size_t size) {
    std::ifstream image("/proc/self/exe", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(image), {}};
    if (bytes.empty()) {
        std::fprintf(stderr, "cannot read /proc/self/exe\n");
        std::exit(1);
    }
    std::string binary;
    while (binary.size() < size) {
        binary += bytes;
    }
    binary.resize(size);
    return binary;
}

// One body compressed and inflated by either library; each call writes into
// a buffer allocated once.
class ZlibCoder {
  public:
    explicit ZlibCoder(int level) { deflateInit(&stream_, level); }
    ~ZlibCoder() { deflateEnd(&stream_); }
    ZlibCoder(const ZlibCoder&) = delete;
    ZlibCoder& operator=(const ZlibCoder&) = delete;

    size_t compress(std::string_view in, std::string& out) {
        deflateReset(&stream_);
        out.resize(deflateBound(&stream_, in.size()));
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        stream_.avail_in = static_cast<uInt>(in.size());
        stream_.next_out = reinterpret_cast<Bytef*>(out.data());
        stream_.avail_out = static_cast<uInt>(out.size());
        return deflate(&stream_, Z_FINISH) == Z_STREAM_END ? out.size() - stream_.avail_out : 0;
    }
    static bool inflate(std::string_view in, std::string& out) {
        auto length = static_cast<uLongf>(out.size());
        return uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                          reinterpret_cast<const Bytef*>(in.data()), in.size()) == Z_OK &&
               length == out.size();
    }

  private:
    z_stream stream_{};
};

class LibdeflateCoder {
  public:
    explicit LibdeflateCoder(int level)
        : compressor_(libdeflate_alloc_compressor(level)),
          decompressor_(libdeflate_alloc_decompressor()) {}

    size_t compress(std::string_view in, std::string& out) {
        out.resize(libdeflate_zlib_compress_bound(compressor_.get(), in.size()));
        return libdeflate_zlib_compress(compressor_.get(), in.data(), in.size(), out.data(),
                                        out.size());
    }
    bool inflate(std::string_view in, std::string& out) {
        return libdeflate_zlib_decompress(decompressor_.get(), in.data(), in.size(), out.data(),
                                          out.size(), nullptr) == LIBDEFLATE_SUCCESS;
    }

  private:
    struct FreeCompressor {
        void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
    };
    struct FreeDecompressor {
        void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
    };
    std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor_;
    std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor_;
};

// MB/s of `work` over `body`, the best of three rounds.
template <class Work>
double megabytesPerSecond(std::string_view body, Work&& work) {
    const size_t calls = std::max<size_t>(kBytesPerRound / body.size(), 1);
    double best = 0;
    for (int round = 0; round < 3; ++round) {
        const Clock::time_point start = Clock::now();
        for (size_t i = 0; i < calls; ++i) {
            if (!work()) {
                std::fprintf(stderr, "a coder failed\n");
                std::exit(1);
            }
        }
        const std::chrono::duration<double> took = Clock::now() - start;
        best = std::max(best, static_cast<double>(calls * body.size()) / 1e6 / took.count());
    }
    return best;
}

void compare(const char* what, const std::string& body, int level) {
    ZlibCoder zlib(level);
    LibdeflateCoder fast(level);
    std::string zlibOut;
    std::string fastOut;
    const double zlibCompress =
        megabytesPerSecond(body, [&] { return zlib.compress(body, zlibOut) != 0; });
    const double fastCompress =
        megabytesPerSecond(body, [&] { return fast.compress(body, fastOut) != 0; });
    zlibOut.resize(zlib.compress(body, zlibOut));
    fastOut.resize(fast.compress(body, fastOut));
    std::string inflated(body.size(), '\0');
    // Each inflates the other's stream as well: the same format both ways.
    if (!ZlibCoder::inflate(fastOut, inflated) || inflated != body ||
        !fast.inflate(zlibOut, inflated) || inflated != body) {
        std::fprintf(stderr, "%s: the two libraries do not read each other\n", what);
        std::exit(1);
    }
    const double zlibInflate =
        megabytesPerSecond(body, [&] { return ZlibCoder::inflate(zlibOut, inflated); });
    const double fastInflate =
        megabytesPerSecond(body, [&] { return fast.inflate(fastOut, inflated); });
    std::printf(
        "%-30s level %d compress  zlib %7.1f MB/s (%5.1f %%)  libdeflate %7.1f MB/s "
        "(%5.1f %%)  ratio %5.2f\n",
        what, level, zlibCompress, 100.0 * zlibOut.size() / body.size(), fastCompress,
        100.0 * fastOut.size() / body.size(), fastCompress / zlibCompress);
    std::printf(
        "%-30s level %d inflate   zlib %7.1f MB/s          libdeflate %7.1f MB/s "
        "         ratio %5.2f\n",
        what, level, zlibInflate, fastInflate, fastInflate / zlibInflate);
}

}  // namespace

int main() {
    const std::string text = textOf(256 << 10);
    const std::string binary = binaryOf(256 << 10);
    compare("10 KiB text chunk", text.substr(0, 10 << 10), 1);
    compare("10 KiB binary chunk", binary.substr(0, 10 << 10), 1);
    compare("4 KiB text message", text.substr(0, 4 << 10), 9);
    compare("256 KiB text body", text, 1);
    compare("256 KiB binary body", binary, 1);
    compare("256 KiB text body", text, 9);
    return 0;
}
