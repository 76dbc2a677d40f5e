#pragma once

#include "core/state/app_state.h"
#include "platform/runtime_error.h"
#include "qellib/qel.h"

namespace tornel {

// The run's node session; raises error 91 while there is none (before
// bring-up, or after it failed), for the calling procedure to log.
inline qel::cQEL& session(const AppState& state) {
    if (!state.qelSession) {
        throw platform::RuntimeError(platform::rt::ObjectNotSet);
    }
    return *state.qelSession;
}

}  // namespace tornel
