#pragma once

#include "qellib/variant.h"

namespace tornel {

struct AppState;

// A file owner's answer to this node's request: {granted, request ID}. The
// download under that request ID, and its status window, read "Accepted"
// or "Refused". Parameters that are not such an array change nothing.
void authGiven_RemoteProcCall(AppState& state, const qel::Variant& Params);

}  // namespace tornel
