#pragma once

#include <string>

namespace qel {

// This machine's own IPv4 address as dotted text: the first interface address
// outside 127.* and 192.168.*, else the first one; "" (reported) when there is none.
std::string getLocalIP();

}  // namespace qel
