#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace qel {
struct typNodeInfo;
}

namespace tornel {

struct AppState;

// The bound on chat windows that lines from peers open by themselves. Any
// node may write, under any number of node IDs, so a line from a peer
// without a window opens one only while fewer than kMaxOpenWindows chat
// windows are open and fewer than kMaxNewPerMinute were opened by lines in
// the last minute. A line beyond the bound is dropped and logged; past a
// few notes a minute the drops are only counted, and the next note tells
// how many went without one.
class UnsolicitedChats {
  public:
    static constexpr size_t kMaxOpenWindows = 20;
    static constexpr size_t kMaxNewPerMinute = 10;
    static constexpr int64_t kMinuteMs = 60000;
    static constexpr int kNotesPerMinute = 10;

    // Whether a line may open a window now, with `openWindows` chat windows
    // open, at tick `now`; an opening allowed is counted.
    bool mayOpen(size_t openWindows, int64_t now);
    // The note for a line from `nodeID` dropped at tick `now`, or "" when
    // this minute has had its notes.
    std::string dropNote(const std::string& nodeID, size_t openWindows, int64_t now);

  private:
    std::deque<int64_t> openings_;
    int64_t notesSince_ = 0;
    int notes_ = 0;
    int64_t unnoted_ = 0;
};

// Opens the chat window for a line from `node`, which has none, when the
// bound allows; otherwise logs the dropped line. Whether a window was asked for.
bool openUnsolicitedChat(AppState& state, const qel::typNodeInfo& node);

}  // namespace tornel
