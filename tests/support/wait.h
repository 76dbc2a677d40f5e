#pragma once

#include "platform/event_loop.h"

#include <cstdint>

namespace tornel::test {

// Lets events run until `done()` holds or `timeoutMs` has passed; returns
// whether it holds.
template <class Predicate>
bool waitUntil(Predicate done, int64_t timeoutMs = 5000) {
    const int64_t deadline = platform::tickCount() + timeoutMs;
    while (!done()) {
        const int64_t left = deadline - platform::tickCount();
        if (left <= 0) {
            return done();
        }
        platform::waitEvents(left < 10 ? left : 10);
    }
    return true;
}

// Lets events run for `ms`, whatever happens meanwhile.
inline void letEventsRun(int64_t ms) {
    waitUntil([] { return false; }, ms);
}

}  // namespace tornel::test
