#pragma once

#include <QHostAddress>

#include <optional>
#include <string>

// IPv4 only: addresses are dotted text, never the IPv4-mapped IPv6 form.
namespace platform {

// `address` in dotted text, also when Qt holds it IPv4-mapped; "" when it is
// not an IPv4 address.
std::string dottedIPv4(const QHostAddress& address);

// `text` as an address when it is IPv4 in dotted form.
std::optional<QHostAddress> parseIPv4(const std::string& text);

// `host`, dotted IPv4 or a name, as an IPv4 address (a name is looked up,
// blocking); RuntimeError HostNotFound when it has none.
QHostAddress resolveIPv4(const std::string& host);

}  // namespace platform
