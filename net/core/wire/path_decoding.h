#pragma once

#include <string>

namespace qel {

// Decodes a resource from the wire, in place, and returns it: every "%XY"
// (two hex digits) becomes that byte, once, so "%2541" becomes "%41" (a "%"
// that decoding yields is a "%" of the name); then every "/" becomes "\". A
// "%" without two hex digits after it is kept as it is, so "50% off"
// survives. The header parser decodes each resource once; nothing decodes it
// again.
std::string decodePath(std::string& path);

}  // namespace qel
