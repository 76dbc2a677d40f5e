#pragma once

#include <string>
#include <string_view>
#include <vector>

// This machine's own IPv4 address, the one a node advertises.
namespace qel {

// The addresses `name` resolves to as dotted IPv4 text, in resolver order,
// after an empty element 0; element 0 alone when it does not resolve.
std::vector<std::string> resolveHost(std::string_view name);

// The first address outside 127.* and 192.168.*, else the first one; ""
// (reported) when there is none.
std::string chooseLocalAddress(const std::vector<std::string>& addresses);

// The node's own address. A process bound to one address (see
// platform::setBindAddress) is reachable there only, so that is it.
// Otherwise the rule above picks from the interfaces' addresses, loopback
// interfaces last; a host without any falls back to resolving its own name.
std::string getLocalIP();

}  // namespace qel
