#include "core/network/discovery_connections.h"

#include <algorithm>

namespace tornel {

bool DiscoveryConnections::openedRecently(const std::string& address) const {
    return std::ranges::any_of(opened_,
                               [&](const Opened& opened) { return opened.address == address; });
}

std::vector<std::string> DiscoveryConnections::toOpen(
    const std::vector<std::string>& found, int64_t now,
    const std::function<bool(const std::string&)>& skip) {
    while (!opened_.empty() && now - opened_.front().at >= kMinuteMs) {
        opened_.pop_front();
    }
    std::vector<std::string> chosen;
    for (size_t i = 1; i < found.size(); ++i) {
        if (chosen.size() == kMaxPerSearch || opened_.size() == kMaxPerMinute) {
            break;
        }
        const std::string& address = found[i];
        if (address.empty() || openedRecently(address) || (skip && skip(address))) {
            continue;
        }
        opened_.push_back({address, now});
        chosen.push_back(address);
    }
    return chosen;
}

}  // namespace tornel
