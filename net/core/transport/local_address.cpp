#include "local_address.h"

#include "guarded.h"

#include "platform/identity.h"
#include "platform/runtime_error.h"
#include "platform/socket_control.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>

namespace qel {
namespace {

constexpr std::string_view AnyAddress = "0.0.0.0";

struct AddrInfoFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

// Every interface address, those of loopback interfaces last: the loopback
// interface usually comes first, and 127.0.0.1 is no address for a peer.
std::vector<std::string> interfaceCandidates() {
    std::vector<platform::InterfaceAddress> found = platform::interfaceAddresses();
    std::stable_partition(found.begin(), found.end(),
                          [](const platform::InterfaceAddress& a) { return !a.loopback; });
    std::vector<std::string> addresses;
    addresses.reserve(found.size());
    for (platform::InterfaceAddress& address : found) {
        addresses.push_back(std::move(address.ip));
    }
    return addresses;
}

}  // namespace

std::vector<std::string> resolveHost(std::string_view name) {
    std::vector<std::string> result(1);
    guarded("", [&] {
        // The name ends at its first NUL, as a C string would.
        const std::string host(name.substr(0, name.find('\0')));
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
        addrinfo* list = nullptr;
        if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0) {
            return;
        }
        const std::unique_ptr<addrinfo, AddrInfoFree> owned(list);
        for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
            const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
            char text[INET_ADDRSTRLEN] = {};
            if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr) {
                result.emplace_back(text);
            }
        }
    });
    return result;
}

std::string chooseLocalAddress(const std::vector<std::string>& addresses) {
    return guarded("", std::string(), [&addresses] {
        if (addresses.empty()) {
            throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
        }
        const auto preferred =
            std::find_if(addresses.begin(), addresses.end(), [](const std::string& a) {
                return !a.starts_with("127.") && !a.starts_with("192.168.");
            });
        return preferred != addresses.end() ? *preferred : addresses.front();
    });
}

std::string getLocalIP() {
    const std::string bound = platform::bindAddress();
    if (bound != AnyAddress) {
        return bound;
    }
    std::vector<std::string> candidates = interfaceCandidates();
    if (candidates.empty()) {
        std::vector<std::string> resolved = resolveHost(platform::hostName());
        candidates.assign(std::make_move_iterator(resolved.begin() + 1),
                          std::make_move_iterator(resolved.end()));
    }
    return chooseLocalAddress(candidates);
}

}  // namespace qel
