#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tornel {

// The connections that the users search opens to nodes found on the local
// network. Anyone on the network can answer a search, naming any addresses,
// so it opens a few a search and a few a minute, never one it opened within
// the minute (later searches reach the others), and none is kept up: only
// the user's servers are.
class DiscoveryConnections {
  public:
    static constexpr size_t kMaxPerSearch = 8;
    static constexpr size_t kMaxPerMinute = 16;
    static constexpr int64_t kMinuteMs = 60000;

    // Of the addresses `found` (from element 1 on), those to connect to at
    // `now`, in order, counted as opened; `skip` names addresses that are
    // connected otherwise (the user's servers).
    std::vector<std::string> toOpen(const std::vector<std::string>& found, int64_t now,
                                    const std::function<bool(const std::string&)>& skip);

  private:
    struct Opened {
        std::string address;
        int64_t at;
    };
    bool openedRecently(const std::string& address) const;

    // Those opened within the last minute, oldest first.
    std::deque<Opened> opened_;
};

}  // namespace tornel
