#include "core/chat/waiting_chat_lines.h"

#include "core/log/guarded.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "platform/event_loop.h"

#include <algorithm>
#include <utility>

namespace tornel {
namespace {

// How often the waiting nodes are looked up: a node's description comes
// within a round trip.
constexpr int CheckIntervalMs = 50;

}  // namespace

WaitingChatLines::WaitingChatLines(AppState& state, Show show)
    : state_(state), show_(std::move(show)) {
    check_.setInterval(CheckIntervalMs);
    QObject::connect(&check_, &QTimer::timeout, [this] {
        guarded(state_.log, "QEL_MessageReceived", [this] { showKnown(); });
    });
}

bool WaitingChatLines::holds(const std::string& nodeID) const {
    return std::any_of(waiting_.begin(), waiting_.end(),
                       [&](const Node& node) { return node.nodeID == nodeID; });
}

void WaitingChatLines::add(const std::string& nodeID, const std::string& line) {
    if (bytes_ + static_cast<int64_t>(line.size()) > MaxBytes) {
        dropLine(nodeID, "too many bytes of lines wait");
        return;
    }
    auto node = std::find_if(waiting_.begin(), waiting_.end(),
                             [&](const Node& n) { return n.nodeID == nodeID; });
    if (node == waiting_.end()) {
        if (waiting_.size() >= MaxNodes) {
            dropLine(nodeID, "too many unknown nodes' lines wait");
            return;
        }
        waiting_.push_back({nodeID, platform::deadlineAfter(state_.Timeout), {}});
        node = waiting_.end() - 1;
    } else if (node->lines.size() >= MaxLinesPerNode) {
        dropLine(nodeID, "too many of its lines wait");
        return;
    }
    node->lines.push_back(line);
    bytes_ += static_cast<int64_t>(line.size());
    check_.start();
}

void WaitingChatLines::dropLine(const std::string& nodeID, const char* why) const {
    state_.logError("Chat line from " + nodeID + " dropped: " + why, -1, "QEL_MessageReceived");
}

void WaitingChatLines::showKnown() {
    const int64_t now = platform::tickCount();
    std::vector<std::pair<qel::typNodeInfo, std::vector<std::string>>> known;
    std::erase_if(waiting_, [&](Node& node) {
        qel::typNodeInfo info =
            state_.closing ? qel::typNodeInfo() : session(state_).knownNodeInfo(node.nodeID);
        if (info.ID.empty() && now < node.deadline && !state_.closing) {
            return false;
        }
        for (const std::string& line : node.lines) {
            bytes_ -= static_cast<int64_t>(line.size());
        }
        if (!info.ID.empty()) {
            known.emplace_back(std::move(info), std::move(node.lines));
        }
        return true;
    });
    if (waiting_.empty()) {
        check_.stop();
    }
    // Showing a line may let events run: the lines were taken out first.
    for (const auto& [node, lines] : known) {
        for (const std::string& line : lines) {
            show_(node, line);
        }
    }
}

}  // namespace tornel
