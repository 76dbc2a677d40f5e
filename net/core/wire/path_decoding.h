#pragma once

#include <string>

namespace qel {

// Decodes a resource from the wire, in place, and returns it: every "%XY"
// (two hex digits) becomes that byte, pass after pass, so "%2541" becomes
// "A"; then every "/" becomes "\". A "%" without two hex digits after it is
// kept as it is, so "50% off" survives. A name holding "%" and two hex digits
// cannot be asked for: peers decode the same way.
std::string decodePath(std::string& path);

}  // namespace qel
