#include "md5.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace qel {
namespace {

constexpr size_t BlockBytes = 64;

constexpr std::array<uint32_t, 64> Sines = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

constexpr std::array<int, 16> Shifts = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

constexpr uint32_t rotateLeft(uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

// The word of the block that step `Step` adds.
template <size_t Step>
constexpr size_t wordIndex() {
    if constexpr (Step < 16) {
        return Step;
    } else if constexpr (Step < 32) {
        return (5 * Step + 1) % 16;
    } else if constexpr (Step < 48) {
        return (3 * Step + 5) % 16;
    } else {
        return (7 * Step) % 16;
    }
}

template <size_t Step>
constexpr uint32_t mix(uint32_t b, uint32_t c, uint32_t d) {
    if constexpr (Step < 16) {
        return d ^ (b & (c ^ d));
    } else if constexpr (Step < 32) {
        return c ^ (d & (b ^ c));
    } else if constexpr (Step < 48) {
        return b ^ c ^ d;
    } else {
        return c ^ (b | ~d);
    }
}

// One of the 64 steps. The four registers take turns as a, b, c and d, so
// every index is a constant and the registers stay in machine registers.
template <size_t Step>
inline void step(std::array<uint32_t, 4>& v, const std::array<uint32_t, 16>& words) {
    constexpr size_t turn = (4 - Step % 4) % 4;
    uint32_t& a = v[turn];
    const uint32_t b = v[(turn + 1) % 4];
    const uint32_t c = v[(turn + 2) % 4];
    const uint32_t d = v[(turn + 3) % 4];
    a = b + rotateLeft(a + mix<Step>(b, c, d) + Sines[Step] + words[wordIndex<Step>()],
                       Shifts[(Step / 16) * 4 + Step % 4]);
}

template <size_t... Steps>
inline void allSteps(std::array<uint32_t, 4>& v, const std::array<uint32_t, 16>& words,
                     std::index_sequence<Steps...>) {
    (step<Steps>(v, words), ...);
}

uint32_t littleEndianWord(const unsigned char* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

}  // namespace

void cMD5::init() {
    state_ = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    length_ = 0;
}

void cMD5::transform(const unsigned char* block) {
    std::array<uint32_t, 16> words{};
    for (size_t i = 0; i < words.size(); ++i) {
        words[i] = littleEndianWord(block + 4 * i);
    }
    std::array<uint32_t, 4> v = state_;
    allSteps(v, words, std::make_index_sequence<64>());
    for (size_t i = 0; i < state_.size(); ++i) {
        state_[i] += v[i];
    }
}

void cMD5::update(std::string_view bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t left = bytes.size();
    size_t filled = length_ % BlockBytes;
    length_ += left;
    if (filled > 0) {
        const size_t taken = std::min(left, BlockBytes - filled);
        std::memcpy(pending_.data() + filled, data, taken);
        data += taken;
        left -= taken;
        filled += taken;
        if (filled < BlockBytes) {
            return;
        }
        transform(pending_.data());
    }
    for (; left >= BlockBytes; data += BlockBytes, left -= BlockBytes) {
        transform(data);
    }
    std::memcpy(pending_.data(), data, left);
}

std::string cMD5::final() {
    const uint64_t bitLength = length_ * 8;
    // One 0x80 byte, zeros up to 56 bytes modulo 64, then the length in bits.
    std::string padding(1, '\x80');
    padding.resize(1 + (BlockBytes + 55 - length_ % BlockBytes) % BlockBytes, '\0');
    for (int i = 0; i < 8; ++i) {
        padding += static_cast<char>((bitLength >> (8 * i)) & 0xff);
    }
    update(padding);
    static constexpr char Hex[] = "0123456789abcdef";
    std::string digest;
    digest.reserve(32);
    for (const uint32_t word : state_) {
        for (int i = 0; i < 4; ++i) {
            const auto byte = static_cast<unsigned>((word >> (8 * i)) & 0xff);
            digest += Hex[byte >> 4];
            digest += Hex[byte & 0xf];
        }
    }
    init();
    return digest;
}

std::string cMD5::MD5(std::string_view text) {
    cMD5 digest;
    digest.update(text);
    return digest.final();
}

}  // namespace qel
