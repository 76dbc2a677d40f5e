#include "seen_packets.h"

#include "platform/event_loop.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace qel {
namespace {

constexpr size_t SmallestRing = 64;

size_t hashOf(std::string_view source, std::string_view id) {
    const size_t idHash = std::hash<std::string_view>{}(id);
    return idHash ^ (std::hash<std::string_view>{}(source) + 0x9e3779b97f4a7c15ULL + (idHash << 6) +
                     (idHash >> 2));
}

std::string keyOf(std::string_view source, std::string_view id) {
    std::string key;
    key.reserve(id.size() + 1 + source.size());
    key += id;
    key += '\n';
    key += source;
    return key;
}

bool holds(const std::string& key, std::string_view source, std::string_view id) {
    return key.size() == id.size() + 1 + source.size() && key.compare(0, id.size(), id) == 0 &&
           key[id.size()] == '\n' && key.compare(id.size() + 1, source.size(), source) == 0;
}

}  // namespace

void SeenPacketIds::reset(int64_t leastRemembered) {
    leastRemembered_ = std::clamp<int64_t>(leastRemembered, 1, MaxRemembered);
    ring_.clear();
    ring_.shrink_to_fit();
    index_.clear();
    index_.shrink_to_fit();
    oldest_ = 0;
    next_ = 0;
}

bool SeenPacketIds::contains(std::string_view source, std::string_view id) {
    if (id.empty() || held() == 0) {
        return false;
    }
    forgetExpired(platform::tickCount());
    const size_t hash = hashOf(source, id);
    for (size_t slot = hash & indexMask(); index_[slot].place != 0;
         slot = (slot + 1) & indexMask()) {
        if (index_[slot].hash == static_cast<uint32_t>(hash) &&
            holds(ring_[index_[slot].place - 1].key, source, id)) {
            return true;
        }
    }
    return false;
}

void SeenPacketIds::remember(std::string_view source, std::string_view id) {
    if (id.empty()) {
        return;
    }
    const int64_t now = platform::tickCount();
    if (held() == ring_.size()) {
        if (ring_.size() < static_cast<size_t>(MaxRemembered)) {
            grow();
        } else {
            forgetOldest();
        }
    }
    const size_t place = next_ & ringMask();
    ring_[place] = {keyOf(source, id), hashOf(source, id), now};
    ++next_;
    addToIndex(place);
    forgetExpired(now);
}

void SeenPacketIds::addToIndex(size_t ringPlace) {
    const size_t hash = ring_[ringPlace].hash;
    size_t slot = hash & indexMask();
    while (index_[slot].place != 0) {
        slot = (slot + 1) & indexMask();
    }
    index_[slot] = {static_cast<uint32_t>(ringPlace + 1), static_cast<uint32_t>(hash)};
}

void SeenPacketIds::forgetExpired(int64_t nowMs) {
    while (held() > static_cast<uint64_t>(leastRemembered_) &&
           nowMs - ring_[oldest_ & ringMask()].atMs >= WindowMs) {
        forgetOldest();
    }
}

// Takes the oldest ID out of the index (closing the gap behind it, so every
// probe still reaches its ID) and out of the ring.
void SeenPacketIds::forgetOldest() {
    const size_t place = oldest_ & ringMask();
    const auto wanted = static_cast<uint32_t>(place + 1);
    size_t hole = ring_[place].hash & indexMask();
    while (index_[hole].place != wanted) {
        hole = (hole + 1) & indexMask();
    }
    for (size_t next = (hole + 1) & indexMask(); index_[next].place != 0;
         next = (next + 1) & indexMask()) {
        const size_t home = index_[next].hash & indexMask();
        // An ID whose probe starts at or before the hole moves into it.
        if (((next - home) & indexMask()) >= ((next - hole) & indexMask())) {
            index_[hole] = index_[next];
            hole = next;
        }
    }
    index_[hole] = Slot();
    ring_[place].key = std::string();
    ++oldest_;
}

// Doubles the ring (keeping the IDs in order) and rebuilds the index.
void SeenPacketIds::grow() {
    std::vector<Seen> larger(std::max(SmallestRing, ring_.size() * 2));
    const size_t largerMask = larger.size() - 1;
    for (uint64_t sequence = oldest_; sequence != next_; ++sequence) {
        larger[sequence & largerMask] = std::move(ring_[sequence & ringMask()]);
    }
    ring_ = std::move(larger);
    index_.assign(ring_.size() * 2, Slot());
    for (uint64_t sequence = oldest_; sequence != next_; ++sequence) {
        addToIndex(sequence & ringMask());
    }
}

}  // namespace qel
