#pragma once

#include "platform/identity.h"

#include <string>

namespace qel {

// A GUID as 32 upper-case hexadecimal digits: the first 32-bit part, the two
// 16-bit parts, then the last 8 bytes, all zero-padded.
std::string formatGuid(const platform::Guid& guid);

// A new identifier (node, packet, request and connection IDs, keys) from a new GUID.
std::string newID();

}  // namespace qel
