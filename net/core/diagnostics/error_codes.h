#pragma once

#include <cstdint>

// The library's own error numbers. They are reported in signed decimal, so
// 0x80040001 reads -2147221503.
namespace qel::code {

// Not initialised; also an unresolved node or a procedure that is not bound.
inline constexpr int32_t NotInitialised = static_cast<int32_t>(0x80040001U);
inline constexpr int32_t BadSessionIndex = static_cast<int32_t>(0x80040002U);
inline constexpr int32_t ListenPortInUse = static_cast<int32_t>(0x80040003U);
// A header field value or name holding a line break.
inline constexpr int32_t NewLineInField = static_cast<int32_t>(0x80040201U);
inline constexpr int32_t StringArrayField = static_cast<int32_t>(0x80040202U);
// UDP discovery.
inline constexpr int32_t NotListeningForUdp = 119;
inline constexpr int32_t RangeEndsWithPeriod = 120;
inline constexpr int32_t RangeTooLarge = 121;

}  // namespace qel::code
