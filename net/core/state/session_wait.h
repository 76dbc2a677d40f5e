#pragma once

#include "session.h"

#include "platform/event_loop.h"

#include <algorithm>
#include <cstdint>

namespace qel {

// Lets events run, in waits of at most `pollMs`, until `done()` holds or
// `timeoutMs` has passed. The session is made current again before each look
// (handlers may have made another one current); false when it has gone.
template <class Done>
bool waitInSession(const SessionHandle& own, int64_t timeoutMs, int64_t pollMs, Done done) {
    const int64_t deadline = platform::deadlineAfter(timeoutMs);
    for (;;) {
        if (!switchSession(own)) {
            return false;
        }
        const int64_t left = deadline - platform::tickCount();
        if (done() || left <= 0) {
            return true;
        }
        platform::waitEvents(std::min(left, pollMs));
    }
}

}  // namespace qel
