#pragma once

#include "qellib/variant.h"

#include <string>

namespace tornel {

struct AppState;

// The peer `nodeID` started or stopped typing: the status line of its chat
// window, when one is on screen, reads "NAME is typing a message", or again
// the last-message text (or "Chatting with NAME"). A state that does not
// read as a Boolean is logged and changes nothing.
void userTyping_RemoteProcCall(AppState& state, const qel::Variant& Params,
                               const std::string& nodeID);

}  // namespace tornel
