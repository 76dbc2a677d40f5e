#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qel {

// The packets a session has handled, by their source and ID, so copies that
// come back by another path are dropped however quickly they follow each
// other. An ID is only unique for the node that wrote it: one node reusing
// another's ID (a FILECONFIRM's is the confirmed packet's with "RF" added)
// never hides that node's packet. A packet is remembered for `WindowMs` after
// it was seen, and beyond that while it is among the last `leastRemembered`;
// never more than `MaxRemembered` are held, the oldest giving way. An empty
// ID is never seen.
//
// Every packet sent and received asks and adds, so the IDs live in one ring,
// oldest first, indexed by an open-addressing table of ring places: a lookup
// is a hash and a probe or two, and adding allocates nothing but the ID.
class SeenPacketIds {
  public:
    static constexpr int64_t WindowMs = 120'000;
    static constexpr int64_t MaxRemembered = 65'536;  // a power of two

    SeenPacketIds() = default;  // remembers only what the window holds until reset
    explicit SeenPacketIds(int64_t leastRemembered) { reset(leastRemembered); }

    // Forgets everything and remembers at least `leastRemembered` IDs (at
    // least one) from now on.
    void reset(int64_t leastRemembered);
    int64_t capacity() const { return leastRemembered_; }

    bool contains(std::string_view source, std::string_view id);
    void remember(std::string_view source, std::string_view id);

  private:
    struct Seen {
        std::string key;  // the ID, a line feed (no header value holds one), the source
        size_t hash = 0;
        int64_t atMs = 0;
    };
    // An index slot: the ring place + 1 (0 when empty) and the low half of
    // the ID's hash, so probes and gap closing rarely touch the ring.
    struct Slot {
        uint32_t place = 0;
        uint32_t hash = 0;
    };

    uint64_t held() const { return next_ - oldest_; }
    size_t ringMask() const { return ring_.size() - 1; }
    size_t indexMask() const { return index_.size() - 1; }
    void forgetExpired(int64_t nowMs);
    void forgetOldest();
    void grow();
    void addToIndex(size_t ringPlace);

    int64_t leastRemembered_ = 1;
    std::vector<Seen> ring_;   // a power of two long; held IDs at sequence & ringMask
    std::vector<Slot> index_;  // twice as long as the ring
    uint64_t oldest_ = 0;      // sequence of the oldest ID held
    uint64_t next_ = 0;        // sequence of the next ID added
};

}  // namespace qel
