#include "platform/socket_control.h"

#include "ipv4_address.h"

namespace platform {
namespace {

std::string& currentBindAddress() {
    static std::string address = "0.0.0.0";
    return address;
}

}  // namespace

void setBindAddress(const std::string& ipv4) {
    currentBindAddress() = ipv4;
}

std::string bindAddress() {
    return currentBindAddress();
}

bool boundToLoopback() {
    const auto address = parseIPv4(currentBindAddress());
    return address && address->isLoopback();
}

}  // namespace platform
