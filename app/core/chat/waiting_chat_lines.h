#pragma once

#include "qellib/types.h"

#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tornel {

struct AppState;

// Chat lines from nodes the program cannot describe yet. The handler of a
// line never waits for a peer's description (other packets could only arrive
// inside such a wait), so a line from an unknown node waits here, in order,
// while the library asks the node, and is shown once the node is known. The
// lines of a node still unknown after the time-out are dropped, as a line
// from a node the library cannot describe is. At most `MaxNodes` nodes,
// `MaxLinesPerNode` lines each and `MaxBytes` bytes of lines wait; beyond,
// a line is logged and dropped.
class WaitingChatLines {
  public:
    static constexpr size_t MaxNodes = 16;
    static constexpr size_t MaxLinesPerNode = 16;
    static constexpr int64_t MaxBytes = 1024 * 1024;

    // Shows one line of a node that is known now.
    using Show = std::function<void(const qel::typNodeInfo& node, const std::string& line)>;

    WaitingChatLines(AppState& state, Show show);
    WaitingChatLines(const WaitingChatLines&) = delete;
    WaitingChatLines& operator=(const WaitingChatLines&) = delete;

    // Whether lines of the node wait: a later line waits behind them.
    bool holds(const std::string& nodeID) const;
    // The line waits for the node's description.
    void add(const std::string& nodeID, const std::string& line);

  private:
    struct Node {
        std::string nodeID;
        int64_t deadline = 0;  // tick count
        std::vector<std::string> lines;
    };

    void dropLine(const std::string& nodeID, const char* why) const;
    // Shows the lines of every node known by now and drops those of nodes
    // whose time is up.
    void showKnown();

    AppState& state_;
    Show show_;
    std::vector<Node> waiting_;
    int64_t bytes_ = 0;
    QTimer check_;
};

}  // namespace tornel
