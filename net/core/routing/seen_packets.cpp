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
    return counts_.contains(std::string(id));
}

void SeenPacketIds::remember(std::string id) {
    if (id.empty()) {
        return;
    }
    const int64_t now = platform::tickCount();
    ++counts_[id];
    byAge_.push_back({std::move(id), now});
    forgetExpired(now);
}

void SeenPacketIds::forgetExpired(int64_t nowMs) {
    while (!byAge_.empty()) {
        const auto held = static_cast<int64_t>(byAge_.size());
        const bool expired = nowMs - byAge_.front().atMs >= WindowMs && held > leastRemembered_;
        if (!expired && held <= MaxRemembered) {
            return;
        }
        const auto counted = counts_.find(byAge_.front().id);
        if (--counted->second == 0) {
            counts_.erase(counted);
        }
        byAge_.pop_front();
    }
}

}  // namespace qel
