#pragma once

#include <cstdint>
#include <limits>

namespace tornel {

// The values a numeric setting may hold, both ends included. Loading refuses
// a stored value outside them and the settings dialog refuses such input.
struct SettingRange {
    int64_t lowest;
    int64_t highest;

    constexpr bool contains(int64_t value) const { return value >= lowest && value <= highest; }
};

namespace limits {

inline constexpr int64_t MaxInt32 = std::numeric_limits<int32_t>::max();

inline constexpr SettingRange Timeout{1, MaxInt32};
// UDP discovery uses Port + 1, so that must be a port too.
inline constexpr SettingRange Port{1, 65534};
inline constexpr SettingRange RefreshInterval{0, MaxInt32};
inline constexpr SettingRange MaxDL{1, MaxInt32};
// The largest file packet the library takes, in KB.
inline constexpr SettingRange FileChunk{1, 64 * 1024};

}  // namespace limits
}  // namespace tornel
