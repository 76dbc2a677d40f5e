#pragma once

#include <functional>
#include <string>

namespace tornel {
struct AppState;
class ChatConversation;
}  // namespace tornel

namespace tornel::ui {

// Shows the Explore view with the peer `nodeID` selected.
using ShowInExplore = std::function<void(const std::string& nodeID)>;

// The chat windows' link to the peer's shared files: in the single-window
// mode the Explore view with the peer selected (when the window was given
// one), else the peer's shared files in a window of their own.
void showSharedFiles(const AppState& state, const ShowInExplore& showInExplore,
                     ChatConversation& conversation);

}  // namespace tornel::ui
