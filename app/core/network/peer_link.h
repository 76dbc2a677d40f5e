#pragma once

#include "core/interfaces/chat_window.h"
#include "core/interfaces/window_ref.h"
#include "qellib/types.h"

#include <string>

namespace tornel {

struct AppState;

// The display name of a node: asked of the library (which may wait for the
// node's answer); "Unknown User" when no node answers for the ID, "Unknown"
// when the question fails.
std::string getUserName(AppState& state, const std::string& nodeID);

// The link check of one chat window: pings its peer (up to 3 × Timeout) and
// tells the conversation once when the link fails and once when it is back.
// A window whose check is still waiting is skipped; a window closed during
// the wait is left alone.
void pingUser(AppState& state, const WindowRef<ChatWindow>& window);

// Gives every grant of the announced node its new name, so that a
// permanent grant is saved under the name the peer uses now.
void updateUserInfo(AppState& state, const qel::typNodeInfo& record);

}  // namespace tornel
