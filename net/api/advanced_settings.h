#pragma once

#include "input_limits.h"
#include "seen_packets.h"
#include "session.h"

#include <cstdint>

namespace qel {

class cSettings;

// The largest file chunk (in KiB) and seen-packet-ID cache a node accepts.
inline constexpr auto MaxFilePacketKiB = static_cast<int32_t>(limits::MaxFileChunkBytes / 1024);
inline constexpr auto MaxPacketCache = static_cast<int32_t>(SeenPacketIds::MaxRemembered);

// Reads the advanced settings of section "Common" into the session (and the
// library's packet-ID cache size), key after key in their fixed order. Stops
// with RuntimeError at the first key whose value does not read as its type
// (13, or 6 for a number too large for its field) or lies outside its range
// (380); the keys before it keep their new values. "filePacket" (KiB) is
// clamped to the chunk sizes a sender uses; 0 or less is the default.
void applyAdvancedSettings(Session& own, const cSettings& settings);

}  // namespace qel
