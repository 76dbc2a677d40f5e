#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The password cipher's key schedule and key stream.
namespace orv {

inline constexpr int64_t MaxKeyLength = 512;

// Where one key byte comes from: the password's character `index` (from 1),
// or the random byte R(index) of the password's generator draws.
struct KeySlot {
    bool fromPassword = false;
    int64_t index = 0;
    bool operator==(const KeySlot&) const = default;
};

// The key layout for `dataLength` bytes under a password of `passwordLength`
// characters: the password itself when the lengths are equal, else its
// characters spread among random bytes, at most 512 slots; empty when the data
// is shorter than the password.
std::vector<KeySlot> keyLayout(int64_t dataLength, int64_t passwordLength);

// The key for `dataLength` bytes: the layout filled from the password's bytes
// and from R(i) = trunc(v_i * 255) of the draws v_1..v_512 that follow
// restart(-1) and seed(sum of the password's bytes mod 2^32).
std::string makeKey(int64_t dataLength, std::string_view password);

// Throws "Subscript out of range" (9) unless `key` can encipher the marker:
// an empty or one-byte key runs past its end.
void requireKeyStream(std::string_view key);

// XORs `bytes` in place with the key stream, which starts at the key's first
// byte on every call and cycles through all bytes but the last.
// Needs a key of at least two bytes.
void xorWithKey(std::string& bytes, std::string_view key);

}  // namespace orv
