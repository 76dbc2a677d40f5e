#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Who and where this process is: identifiers, host and user names, and the
// machine's IPv4 addresses.
namespace platform {

using Guid = std::array<uint8_t, 16>;

// A new random (version 4) GUID.
Guid newGuid();

// The machine's host name.
std::string hostName();

// The operating-system user name, whole however long it is.
std::string userName();

// One IPv4 address of a network interface, in dotted text, with the length of
// its network's prefix.
struct InterfaceAddress {
    std::string ip;
    bool loopback = false;
    int prefixLength = 32;
};

// The IPv4 addresses of the machine's interfaces that are up, in interface
// order, or the test override while one is set.
std::vector<InterfaceAddress> interfaceAddresses();

// While alive, interfaceAddresses() returns `addresses`. Not nestable.
class ScopedInterfaceAddresses {
  public:
    explicit ScopedInterfaceAddresses(std::vector<InterfaceAddress> addresses);
    ~ScopedInterfaceAddresses();
    ScopedInterfaceAddresses(const ScopedInterfaceAddresses&) = delete;
    ScopedInterfaceAddresses& operator=(const ScopedInterfaceAddresses&) = delete;
};

}  // namespace platform
