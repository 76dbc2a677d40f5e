#pragma once

#include "qellib/types.h"

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class ViewSwitcher;
struct WindowContext;

// Opens the chat window for `node`, or brings its open one to the front
// (restored when minimised). A new window joins chatWindows under the
// node's ID and shows itself with its own task-bar entry.
void openChatWindow(AppState& state, WindowContext& context, ViewSwitcher& views,
                    const qel::typNodeInfo& node);

// Closes every chat window (the end of the run); each saves its placement.
void unloadChatWindows(AppState& state);

}  // namespace tornel::ui
