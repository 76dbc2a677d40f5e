#pragma once

#include "packet.h"

#include <cstdint>
#include <string>
#include <string_view>

// The text form of a packet on the wire:
//   METHOD SP resource SP "QEL/2.1" CR LF
//   one "Name: value" CR LF per field, in the packet's order
//   CR LF
//   the body, exactly "Content-Length" bytes (no such field without a body)
namespace qel {

inline constexpr std::string_view ProtocolVersion = "QEL/2.1";
inline constexpr std::string_view HeaderEnd = "\r\n\r\n";

// The resource as written in the method line: spaces, CRs and LFs escaped as
// "%20", "%0D" and "%0A", so no file name can break the framing.
std::string escapeResource(std::string_view resource);

// The packet's text. The method is upper-cased; fields and body are written
// as they are, so the caller has set "Content-Length" when there is a body.
std::string writePacket(const clsPacket& packet);

// Reads `packet.Header` (the header text up to and including its blank line)
// into the method, the resource and the fields. A method line without a
// space or a header line without ": " is reported and gives false.
bool parseHeader(clsPacket& packet);

// The packet's "Content-Length": 0 when absent, else decimal digits between
// optional blanks. Throws RuntimeError 13 for any other text and 7 for a
// length beyond the body limit.
int64_t readContentLength(const clsPacket& packet);

}  // namespace qel
