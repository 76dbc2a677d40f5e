#include "core/network/peer_link.h"

#include "core/log/guarded.h"
#include "core/network/session.h"

namespace tornel {
namespace {

// Marks a window's link check as running for as long as it lives.
class RunningPing {
  public:
    RunningPing(AppState& state, const void* window) : state_(state), window_(window) {
        state_.pingsRunning.insert(window_);
    }
    ~RunningPing() { state_.pingsRunning.erase(window_); }
    RunningPing(const RunningPing&) = delete;
    RunningPing& operator=(const RunningPing&) = delete;

  private:
    AppState& state_;
    const void* window_;
};

// Shows or hides the window's warning and adds `line(name)` when the warning
// changes; the name lookup may wait, so the window is checked again after it.
template <class Line>
void reportLink(AppState& state, const WindowRef<ChatWindow>& window, const std::string& peer,
                bool failing, Line line) {
    if (window->pingWarningVisible() == failing) {
        return;
    }
    window->setPingWarningVisible(failing);
    const std::string name = getUserName(state, peer);
    if (ChatWindow* chat = window.get()) {
        chat->addMessage(line(name), false);
    }
}

}  // namespace

std::string getUserName(AppState& state, const std::string& nodeID) {
    try {
        const std::vector<qel::typNodeInfo> found = session(state).getNodeInfo(nodeID, true);
        if (found.empty()) {
            return "Unknown";
        }
        return found.front().ID.empty() ? "Unknown User" : found.front().Name;
    } catch (...) {
        return "Unknown";
    }
}

void pingUser(AppState& state, const WindowRef<ChatWindow>& window) {
    if (!window || state.pingsRunning.contains(window.object())) {
        return;
    }
    const RunningPing running(state, window.object());
    guarded(state.log, "pingUser", [&] {
        const std::string peer = window->recipientID();
        const int64_t answer = session(state).Ping(peer, state.Timeout * 3);
        if (!window || state.closing) {
            return;
        }
        if (answer == -1) {
            reportLink(state, window, peer, true, [](const std::string& name) {
                return "** Tornel is experiencing connection problems with " + name +
                       ". Some messages may not be received.";
            });
        } else {
            reportLink(state, window, peer, false, [](const std::string& name) {
                return "** Connection problems with " + name + " have been resolved.";
            });
        }
    });
}

void updateUserInfo(AppState& state, const qel::typNodeInfo& record) {
    guarded(state.log, "updateUserInfo", [&] {
        if (record.ID.empty()) {
            return;
        }
        for (const auto& entry : state.allowedIDs) {
            cAllowedID& grant = *entry.item;
            if (grant.id == record.ID && grant.Name != record.Name) {
                grant.Name = record.Name;
            }
        }
    });
}

}  // namespace tornel
