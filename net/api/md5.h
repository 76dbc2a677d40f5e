#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qel {

// The MD5 message digest (RFC 1321) of bytes, as 32 lower-case hexadecimal
// digits. Feed a message in pieces of any size (init, update, final), or
// hash one text whole with MD5.
class cMD5 {
  public:
    cMD5() { init(); }

    // Starts a new message.
    void init();
    // Appends bytes to the message.
    void update(std::string_view bytes);
    // Ends the message and gives its digest; the object then starts a new one.
    std::string final();

    // The digest of `text`, one byte a character.
    static std::string MD5(std::string_view text);

  private:
    void transform(const unsigned char* block);

    std::array<uint32_t, 4> state_{};
    std::array<unsigned char, 64> pending_{};  // the bytes of an unfinished block
    uint64_t length_ = 0;                      // bytes of the message so far
};

}  // namespace qel
