#include "lockmantle_key.h"

#include "basic_random.h"

#include "platform/runtime_error.h"

#include <algorithm>
#include <array>

namespace orv {
namespace {

KeySlot passwordChar(int64_t index) {
    return {true, index};
}

KeySlot randomByte(int64_t index) {
    return {false, index};
}

std::array<char, MaxKeyLength> randomBytes(std::string_view password) {
    uint32_t codeSum = 0;  // wraps only for passwords of millions of bytes
    for (const char c : password) {
        codeSum += static_cast<unsigned char>(c);
    }
    BasicRandom random;
    random.restart(-1.0f);
    random.seed(static_cast<double>(codeSum));
    std::array<char, MaxKeyLength> bytes{};
    for (char& byte : bytes) {
        byte = static_cast<char>(static_cast<int>(random.next() * 255.0f));  // 0..254
    }
    return bytes;
}

}  // namespace

std::vector<KeySlot> keyLayout(int64_t dataLength, int64_t passwordLength) {
    if (passwordLength <= 0 || dataLength < passwordLength) {
        return {};
    }
    std::vector<KeySlot> key;
    if (dataLength == passwordLength) {
        for (int64_t j = 1; j <= passwordLength; ++j) {
            key.push_back(passwordChar(j));
        }
        return key;
    }
    // The password's characters stand every `dataLength div passwordLength`
    // positions among random bytes; when the characters still to place exactly
    // fill the bytes left, the next one fills them all.
    const int64_t spacing = std::min(dataLength, MaxKeyLength) / passwordLength - 1;
    int64_t remaining = passwordLength;
    int64_t lastPlaced = 0;
    key.resize(1);
    for (int64_t k = 1;; ++k) {
        if (remaining > 0 && (remaining == dataLength - k || remaining == MaxKeyLength - k)) {
            const int64_t first = k == 1 ? 1 : k - 1;
            key.resize(static_cast<size_t>(first + remaining));
            std::fill(key.begin() + (first - 1), key.end(),
                      passwordChar(passwordLength - remaining + 1));
            return key;
        }
        if (k == 1) {
            key[0] = passwordChar(1);
            --remaining;
            lastPlaced = 1;
        } else if (k - lastPlaced > spacing && remaining > 0) {
            key.push_back(passwordChar(passwordLength - remaining + 1));
            --remaining;
            lastPlaced = k;
        } else {
            key.push_back(randomByte(k));
        }
        if (k == dataLength || k == MaxKeyLength) {
            return key;
        }
    }
}

std::string makeKey(int64_t dataLength, std::string_view password) {
    const std::vector<KeySlot> layout =
        keyLayout(dataLength, static_cast<int64_t>(password.size()));
    const std::array<char, MaxKeyLength> random = randomBytes(password);
    std::string key;
    key.reserve(layout.size());
    for (const KeySlot& slot : layout) {
        const auto at = static_cast<size_t>(slot.index - 1);
        key += slot.fromPassword ? password[at] : random[at];
    }
    return key;
}

void requireKeyStream(std::string_view key) {
    if (key.size() < 2) {
        throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
    }
}

void xorWithKey(std::string& bytes, std::string_view key) {
    const size_t period = key.size() - 1;
    size_t k = 0;
    for (char& byte : bytes) {
        byte = static_cast<char>(byte ^ key[k]);
        if (++k == period) {
            k = 0;
        }
    }
}

}  // namespace orv
