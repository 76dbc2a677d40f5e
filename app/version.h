#pragma once

namespace tornel {

inline constexpr const char* kVersion = TORNEL_VERSION;

}  // namespace tornel
