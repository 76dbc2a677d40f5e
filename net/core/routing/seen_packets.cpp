#include "seen_packets.h"

#include <algorithm>

namespace qel {

void SeenPacketIds::reset(int64_t capacity) {
    slots_.assign(static_cast<size_t>(std::max<int64_t>(capacity, 1)), std::string());
    next_ = 0;
    counts_.clear();
}

bool SeenPacketIds::contains(std::string_view id) const {
    return !id.empty() && counts_.contains(std::string(id));
}

void SeenPacketIds::remember(std::string id) {
    if (slots_.empty()) {
        return;
    }
    std::string& slot = slots_[next_];
    if (!slot.empty()) {
        const auto held = counts_.find(slot);
        if (--held->second == 0) {
            counts_.erase(held);
        }
    }
    if (!id.empty()) {
        ++counts_[id];
    }
    slot = std::move(id);
    next_ = (next_ + 1) % slots_.size();
}

}  // namespace qel
