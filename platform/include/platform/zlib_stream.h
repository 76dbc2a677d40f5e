#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// zlib streams, for packet bodies and package members alike. Each caller
// keeps its own limits and reports failures in its own words.
//
// Whole buffers are deflated and inflated by libdeflate where it is the
// faster coder (it writes the same zlib format), and by zlib where zlib is:
// its best levels on small bodies.
namespace platform::zlib {

// `data` as a zlib stream at `level` (1..9); none for any other level or a
// coder error.
std::optional<std::string> compress(std::string_view data, int level);

// One compressor at one level (1..9), kept from one body to the next:
// setting a coder up costs more than compressing a small body, so whoever
// compresses many keeps one. It writes through a buffer of its own, grown
// once and reused, so compressing in place allocates nothing for a body
// that does not grow.
class Deflater {
  public:
    explicit Deflater(int level);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // `data` as a zlib stream; none for a coder error (or a level out of range).
    std::optional<std::string> compress(std::string_view data);
    // Replaces `data` with its zlib stream; false, with `data` as it was, on
    // a coder error (or a level out of range).
    bool compressInPlace(std::string& data);

  private:
    struct Coder;
    std::unique_ptr<Coder> coder_;
};

// Exactly `length` bytes inflated from `stream`; none when the stream does not
// give exactly that many, or when no deflate stream of its size could reach
// `length` (checked before anything is allocated).
std::optional<std::string> inflateExactly(std::string_view stream, int64_t length);

}  // namespace platform::zlib
