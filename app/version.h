#pragma once

#include <cstdint>

namespace tornel {

inline constexpr const char* kVersion = TORNEL_VERSION;

// The revision this build answers "GetVersion" with; a copy updates itself
// from a peer whose revision is greater. Peers read it as a 16-bit integer.
inline constexpr int64_t kRevision = TORNEL_REVISION;
static_assert(kRevision >= 0 && kRevision <= 32767, "TORNEL_REVISION must lie in 0..32767");

}  // namespace tornel
