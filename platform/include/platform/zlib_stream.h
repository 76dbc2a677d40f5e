#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// zlib streams, for packet bodies and package members alike. Each caller
// keeps its own limits and reports failures in its own words.
namespace platform::zlib {

// `data` as a zlib stream at `level` (1..9); none for any other level or a
// zlib error.
std::optional<std::string> compress(std::string_view data, int level);

// One deflate stream at one level (1..9), kept from one compress to the
// next: setting a stream up costs more than compressing a small body, so
// whoever compresses many keeps one and it is only reset between them.
class Deflater {
  public:
    explicit Deflater(int level);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // `data` as a zlib stream; none for a zlib error (or a level out of range).
    std::optional<std::string> compress(std::string_view data);

  private:
    struct Stream;
    int level_;
    std::unique_ptr<Stream> stream_;  // set up on first use
};

// Exactly `length` bytes inflated from `stream`; none when the stream does not
// give exactly that many, or when no deflate stream of its size could reach
// `length` (checked before anything is allocated).
std::optional<std::string> inflateExactly(std::string_view stream, int64_t length);

}  // namespace platform::zlib
