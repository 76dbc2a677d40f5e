#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qel {

// The IDs of the packets a session has handled, so copies that come back by
// another path are dropped however quickly they follow each other. An ID is
// remembered for `WindowMs` after it was seen, and beyond that while it is
// among the last `leastRemembered` IDs; never more than `MaxRemembered` IDs
// are held, the oldest giving way. An empty ID is never seen.
class SeenPacketIds {
  public:
    static constexpr int64_t WindowMs = 120'000;
    static constexpr int64_t MaxRemembered = 65'536;

    SeenPacketIds() = default;  // remembers only what the window holds until reset
    explicit SeenPacketIds(int64_t leastRemembered) { reset(leastRemembered); }

    // Forgets everything and remembers at least `leastRemembered` IDs (at
    // least one) from now on.
    void reset(int64_t leastRemembered);
    int64_t capacity() const { return leastRemembered_; }

    bool contains(std::string_view id);
    void remember(std::string id);

  private:
    // Looks IDs up by string_view, so a lookup copies nothing.
    struct IdHash {
        using is_transparent = void;
        size_t operator()(std::string_view id) const { return std::hash<std::string_view>{}(id); }
    };
    using Counts = std::unordered_map<std::string, int64_t, IdHash, std::equal_to<>>;

    struct Seen {
        Counts::value_type* held;  // the ID and its count: map elements never move
        int64_t atMs;
    };

    void forgetExpired(int64_t nowMs);

    int64_t leastRemembered_ = 1;
    std::deque<Seen> byAge_;  // oldest first
    Counts counts_;           // how often each held ID is held
};

}  // namespace qel
