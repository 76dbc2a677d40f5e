#pragma once

#include "platform/event_loop.h"

#include <chrono>
#include <cstdint>

namespace tornel::test {

// Milliseconds of real time, which no test clock moves or stops.
inline int64_t realMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Lets events run until `done()` holds or `timeoutMs` of real time have
// passed; returns whether it holds.
template <class Predicate>
bool waitUntil(Predicate done, int64_t timeoutMs = 20000) {
    const int64_t deadline = realMs() + timeoutMs;
    while (!done()) {
        const int64_t left = deadline - realMs();
        if (left <= 0) {
            return done();
        }
        platform::waitEvents(left < 10 ? left : 10);
    }
    return true;
}

// Lets events run until `done()` holds, for as long as `progress()` keeps
// changing: gives up (returning false) only once it has stood still for
// `idleMs`. For waits on work whose length depends on the machine's speed.
template <class Predicate, class Progress>
bool waitWhileProgressing(Predicate done, Progress progress, int64_t idleMs = 30000) {
    auto last = progress();
    int64_t movedAt = realMs();
    while (!waitUntil(done, 50)) {
        const auto now = progress();
        if (now != last) {
            last = now;
            movedAt = realMs();
        } else if (realMs() - movedAt >= idleMs) {
            return done();
        }
    }
    return true;
}

// Lets events run for `ms`, whatever happens meanwhile.
inline void letEventsRun(int64_t ms) {
    waitUntil([] { return false; }, ms);
}

}  // namespace tornel::test
