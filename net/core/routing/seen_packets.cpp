#include "seen_packets.h"

#include "platform/event_loop.h"

#include <algorithm>

namespace qel {

void SeenPacketIds::reset(int64_t leastRemembered) {
    leastRemembered_ = std::clamp<int64_t>(leastRemembered, 1, MaxRemembered);
    byAge_.clear();
    counts_.clear();
}

bool SeenPacketIds::contains(std::string_view id) {
    if (id.empty()) {
        return false;
    }
    forgetExpired(platform::tickCount());
    return counts_.find(id) != counts_.end();
}

void SeenPacketIds::remember(std::string id) {
    if (id.empty()) {
        return;
    }
    const int64_t now = platform::tickCount();
    Counts::value_type& held = *counts_.try_emplace(std::move(id), 0).first;
    ++held.second;
    byAge_.push_back({&held, now});
    forgetExpired(now);
}

void SeenPacketIds::forgetExpired(int64_t nowMs) {
    while (!byAge_.empty()) {
        const auto held = static_cast<int64_t>(byAge_.size());
        const bool expired = nowMs - byAge_.front().atMs >= WindowMs && held > leastRemembered_;
        if (!expired && held <= MaxRemembered) {
            return;
        }
        Counts::value_type& counted = *byAge_.front().held;
        if (--counted.second == 0) {
            counts_.erase(counts_.find(counted.first));
        }
        byAge_.pop_front();
    }
}

}  // namespace qel
