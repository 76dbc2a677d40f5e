#pragma once

#include <cstdint>
#include <functional>

// The one event loop of the process (Qt's), used like the desktop message pump:
// waits that let events run, and a monotonic millisecond clock.
namespace platform {

// Chooses Qt's own event dispatcher over GLib's for the application made
// next, unless QT_NO_GLIB is set already (either way). GLib's wakes its loop
// with a system call for every posted event, and every socket event is one;
// Qt's wakes it once per pass. Call before the QCoreApplication is made; the
// variable it sets is taken back as the application is made, so processes
// started later get the environment this one was given.
void preferPlainEventDispatcher();

// Runs every pending event, re-entrantly: handlers may call it again.
void doEvents();

// Blocks until the next event has been handled or `ms` milliseconds have
// passed, whichever comes first. `ms` <= 0 behaves like doEvents().
void waitEvents(int64_t ms);

// Runs `work` on every pass of the event loop, before the pass handles
// events or blocks waiting for them: in doEvents and waitEvents, in a nested
// loop such as a modal dialog's, and in the main loop. Work that a handler
// leaves behind while it waits is picked up here. `work` tells whether it
// did anything: the pass then does not block, since events it was waiting
// for may have been taken by loops nested in the work. One hook per process;
// an empty function removes it, and it must not be replaced from inside
// `work`. Nothing `work` throws escapes.
void setEventLoopPassHook(std::function<bool()> work);

// Blocks the thread for `ms` milliseconds; no event runs meanwhile.
void sleepMs(int64_t ms);

// Monotonic milliseconds since an arbitrary start; never 0, never wraps.
int64_t tickCount();

// The tick count `ms` from now, for a deadline: a negative `ms` counts as 0
// and the sum stops at the largest tick count instead of overflowing, so a
// huge time-out waits for ever rather than not at all.
int64_t deadlineAfter(int64_t ms);

// While alive, tickCount() reads this clock instead of the real one, so tests
// can move time without sleeping. Not nestable.
class ScopedTestClock {
  public:
    explicit ScopedTestClock(int64_t startMs = 1000);
    ~ScopedTestClock();
    ScopedTestClock(const ScopedTestClock&) = delete;
    ScopedTestClock& operator=(const ScopedTestClock&) = delete;

    void set(int64_t ms);
    void advance(int64_t ms);
    int64_t now() const;
};

}  // namespace platform
