#pragma once

#include "packet.h"
#include "wire_error.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The text form of a packet on the wire:
//   METHOD SP resource SP "QEL/2.1" CR LF
//   one "Name: value" CR LF per field, in the packet's order
//   CR LF
//   the body, exactly "Content-Length" bytes (no such field without a body)
namespace qel {

inline constexpr std::string_view ProtocolVersion = "QEL/2.1";
inline constexpr std::string_view HeaderEnd = "\r\n\r\n";

// The resource as written in the method line: "%", spaces, CRs and LFs
// escaped as "%25", "%20", "%0D" and "%0A", so no file name can break the
// framing and a name holding "%" and two hex digits reads back whole.
std::string escapeResource(std::string_view resource);

// The packet's text. The method is upper-cased; fields and body are written
// as they are, so the caller has set "Content-Length" when there is a body.
std::string writePacket(const clsPacket& packet);

// The packet's text up to and including the blank line that ends its header:
// writePacket without the body, for a write that gathers header and body
// from where they are.
std::string writeHeader(const clsPacket& packet);

// Reads `packet.Header` (the header text up to and including its blank line)
// into the method, the resource and the fields. A method line without a
// space or a header line without ": " fails the whole header (error 5); a
// field whose name holds a line break is left out, its refusal added to
// `refusedFields`, and the header read on. Nothing is reported here.
WireStatus parseHeader(clsPacket& packet, std::vector<WireError>& refusedFields);

// Sets `bytes` to the packet's "Content-Length": 0 when absent, else decimal
// digits between optional blanks. Fails with error 13 for any other text and
// 7 for a length beyond the body limit, leaving `bytes` alone.
WireStatus readContentLength(const clsPacket& packet, int64_t& bytes);

}  // namespace qel
