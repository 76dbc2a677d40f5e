#pragma once

#include "qellib/types.h"
#include "qellib/variant.h"

#include <string>

namespace tornel {

struct AppState;

// Asks the user for a file ("Send File to NAME") and offers it to `node`.
void pushFile(AppState& state, const qel::typNodeInfo& node);

// Offers the file at `path` to the node `nodeID` with a "Push" call {name,
// size}: only the path's last component travels. The offer waits in
// pendingPushes for the answer. A folder, or anything that is not a plain
// file, is not offered (logged).
void startPush(AppState& state, const std::string& path, const std::string& nodeID);

// The receiver's answer to the offer `reqID`: "ACCEPT" with the receiver's
// request ID sends the file under that ID; "REFUSE", and any other answer,
// tell the user. An answer to no pending offer is ignored.
void Push_RemoteProcReturn(AppState& state, const qel::Variant& Params, const std::string& reqID,
                           const std::string& nodeID);

}  // namespace tornel
