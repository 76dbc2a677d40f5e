#pragma once

#include <cstdint>
#include <string_view>

// The library's own name and version; settings files record the name and revision.
namespace qel {

inline constexpr std::string_view kProductName = "QEL";
inline constexpr int LibraryVersionMajor = 2;
inline constexpr int LibraryVersionMinor = 1;
inline constexpr int LibraryVersionRevision = 246;
inline constexpr int64_t kProductRevision = LibraryVersionRevision;

}  // namespace qel
