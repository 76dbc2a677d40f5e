#pragma once

#include <cstdint>
#include <string_view>

// The library's own name and revision, as settings files record them.
namespace qel {

inline constexpr std::string_view kProductName = "QEL";
inline constexpr int64_t kProductRevision = 246;  // version 2.1.246

}  // namespace qel
