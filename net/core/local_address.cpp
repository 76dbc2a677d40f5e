#include "local_address.h"

#include "guarded.h"

#include "platform/identity.h"
#include "platform/runtime_error.h"

#include <algorithm>

namespace qel {

std::string getLocalIP() {
    return guarded("", std::string(), [] {
        const std::vector<platform::InterfaceAddress> addresses = platform::interfaceAddresses();
        if (addresses.empty()) {
            throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
        }
        const auto preferred = std::find_if(addresses.begin(), addresses.end(), [](const auto& a) {
            return !a.ip.starts_with("127.") && !a.ip.starts_with("192.168.");
        });
        return preferred != addresses.end() ? preferred->ip : addresses.front().ip;
    });
}

}  // namespace qel
