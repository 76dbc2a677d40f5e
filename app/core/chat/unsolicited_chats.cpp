#include "core/chat/unsolicited_chats.h"

#include "core/state/app_state.h"
#include "platform/event_loop.h"
#include "qellib/types.h"

namespace tornel {

bool UnsolicitedChats::mayOpen(size_t openWindows, int64_t now) {
    while (!openings_.empty() && now - openings_.front() >= kMinuteMs) {
        openings_.pop_front();
    }
    if (openWindows >= kMaxOpenWindows || openings_.size() >= kMaxNewPerMinute) {
        return false;
    }
    openings_.push_back(now);
    return true;
}

std::string UnsolicitedChats::dropNote(const std::string& nodeID, size_t openWindows, int64_t now) {
    if (notes_ == 0 || now - notesSince_ >= kMinuteMs) {
        notesSince_ = now;
        notes_ = 0;
    }
    if (notes_ >= kNotesPerMinute) {
        ++unnoted_;
        return {};
    }
    ++notes_;
    std::string note = "A chat line from " + nodeID + " was dropped: " +
                       (openWindows >= kMaxOpenWindows
                            ? std::to_string(openWindows) + " chat windows are open"
                            : std::to_string(kMaxNewPerMinute) +
                                  " chat windows were opened by peers in the last minute");
    if (unnoted_ > 0) {
        note += " (" + std::to_string(unnoted_) + " more dropped before without a note)";
        unnoted_ = 0;
    }
    return note;
}

bool openUnsolicitedChat(AppState& state, const qel::typNodeInfo& node) {
    const size_t open = state.chatWindows.count();
    const int64_t now = platform::tickCount();
    if (!state.unsolicitedChats.mayOpen(open, now)) {
        const std::string note = state.unsolicitedChats.dropNote(node.ID, open, now);
        if (!note.empty()) {
            state.logError(note, -1, "QEL_MessageReceived");
        }
        return false;
    }
    state.ui.shell->newConv(node);
    return true;
}

}  // namespace tornel
