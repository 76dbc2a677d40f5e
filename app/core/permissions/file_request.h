#pragma once

#include "qellib/types.h"
#include "qellib/variant.h"
#include "qellib/x_range.h"

#include <memory>
#include <string>

namespace tornel {

struct AppState;
class cMain;

// The controller's answer to a peer's request for a shared file. A live
// grant of the requesting node lets the library serve it at once;
// otherwise the user is asked and the node is told the answer by "AuthGiven"
// (element 1 "True" or "False", element 2 the request ID). A refusal answers
// the request as cancelled and sets `TakeNoAction`, so the library sends
// nothing more. `Metadata` names the requester; anything but text names none.
void QEL_FileRequest(AppState& state, cMain& controller, const std::string& fullPath,
                     const std::string& nodeID, const std::string& reqID,
                     const qel::Variant& Metadata, bool& TakeNoAction);

}  // namespace tornel
