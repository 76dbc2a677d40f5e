#pragma once

#include "core/state/app_state.h"
#include "platform/event_loop.h"

namespace tornel {

// Lets events run, testing at least every 10 ms, until `answered()` holds or
// the program is closing. Handlers run meanwhile, so the caller re-checks
// every window and record it holds once this returns.
template <class Answered>
void waitForAnswer(const AppState& state, Answered answered) {
    constexpr int64_t PollMs = 10;
    while (!state.closing && !answered()) {
        platform::waitEvents(PollMs);
    }
}

}  // namespace tornel
