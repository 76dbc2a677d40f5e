#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qel {

// The IDs of the most recent packets a session has handled, so copies that
// come back by another path are dropped. It holds the last `capacity` IDs
// remembered; an ID remembered twice takes two places. An empty ID is never
// seen.
class SeenPacketIds {
  public:
    SeenPacketIds() = default;  // holds nothing until resized
    explicit SeenPacketIds(int64_t capacity) { reset(capacity); }

    // Forgets everything and holds up to `capacity` IDs from now on (at least one).
    void reset(int64_t capacity);
    int64_t capacity() const { return static_cast<int64_t>(slots_.size()); }

    bool contains(std::string_view id) const;
    void remember(std::string id);

  private:
    std::vector<std::string> slots_;  // a ring; `next_` is the oldest place
    size_t next_ = 0;
    std::unordered_map<std::string, int64_t> counts_;  // how often each held ID is held
};

}  // namespace qel
