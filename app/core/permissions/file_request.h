#pragma once

#include "qellib/types.h"
#include "qellib/variant.h"
#include "qellib/x_range.h"

#include <memory>
#include <string>

namespace tornel {

struct AppState;

// The controller's answer to a peer's request for a shared file. A live
// grant of the requesting node lets the library serve it at once;
// otherwise the request is parked on the user's question and the handler
// returns (`TakeNoAction`, the library sends nothing for now): the answer
// tells the node by "AuthGiven" (element 1 "True" or "False", element 2 the
// request ID) and serves the request, or answers it as cancelled. A request
// that cannot be parked is refused so at once. `Metadata` names the
// requester; anything but text names none.
void QEL_FileRequest(AppState& state, const std::string& Resource, const std::string& fullPath,
                     const std::string& nodeID, const std::string& reqID,
                     const std::shared_ptr<qel::cXRange>& Range, const qel::Variant& Metadata,
                     bool& TakeNoAction);

}  // namespace tornel
