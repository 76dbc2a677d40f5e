#include "platform/event_loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <limits>
#include <optional>
#include <thread>
#include <utility>

namespace platform {
namespace {

std::optional<int64_t> testClockMs;

const QElapsedTimer& processClock() {
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock;
}

// The hook of every event-loop pass, and the dispatcher it listens to.
struct PassHook {
    std::function<bool()> work;
    QPointer<QAbstractEventDispatcher> dispatcher;
    QMetaObject::Connection beforeBlocking;
    QMetaObject::Connection awake;
};

PassHook& passHook() {
    static PassHook hook;
    return hook;
}

void runPassHook() {
    PassHook& hook = passHook();
    if (!hook.work) {
        return;
    }
    bool worked = false;
    try {
        worked = hook.work();
    } catch (...) {
        // Nothing may leave a Qt signal.
    }
    // A wake-up the pass waits for (a waitEvents bound) may have fired
    // inside the work: the pass must not block for the next event.
    if (worked && hook.dispatcher) {
        hook.dispatcher->wakeUp();
    }
}

// A dispatcher announces each pass: "about to block" before a pass that may
// wait, "awake" on one that does not (and after waking). Listening to both,
// the hook runs before any pass blocks. The connection is made once the
// thread has a dispatcher, and again for a new one.
void connectPassHook() {
    PassHook& hook = passHook();
    QAbstractEventDispatcher* current = QAbstractEventDispatcher::instance();
    if (!hook.work || current == nullptr || hook.dispatcher == current) {
        return;
    }
    QObject::disconnect(hook.beforeBlocking);
    QObject::disconnect(hook.awake);
    hook.dispatcher = current;
    hook.beforeBlocking =
        QObject::connect(current, &QAbstractEventDispatcher::aboutToBlock, runPassHook);
    hook.awake = QObject::connect(current, &QAbstractEventDispatcher::awake, runPassHook);
}

// Runs as the application is made, once its dispatcher has been chosen.
void forgetDispatcherChoice() {
    qunsetenv("QT_NO_GLIB");
}

}  // namespace

void setEventLoopPassHook(std::function<bool()> work) {
    PassHook& hook = passHook();
    QObject::disconnect(hook.beforeBlocking);
    QObject::disconnect(hook.awake);
    hook.dispatcher = nullptr;
    hook.work = std::move(work);
    connectPassHook();
}

void preferPlainEventDispatcher() {
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
        qputenv("QT_NO_GLIB", "1");
        // The choice is for this process alone: what it starts later (files
        // opened, an updated copy) gets the environment it was given.
        qAddPreRoutine(forgetDispatcherChoice);
    }
}

void doEvents() {
    if (QCoreApplication::instance() == nullptr) {
        return;
    }
    connectPassHook();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void waitEvents(int64_t ms) {
    if (QCoreApplication::instance() == nullptr) {
        sleepMs(ms);
        return;
    }
    if (ms <= 0) {
        doEvents();
        return;
    }
    connectPassHook();
    // Inside the delivery of a posted event, Qt's GLib dispatcher does not
    // deliver the posted events queued behind it until something new is
    // posted, so a nested wait delivers them itself.
    QCoreApplication::sendPostedEvents();
    // processEvents(flags, maxTime) never blocks, so a single-shot wake-up
    // bounds the blocking wait for the next event.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(static_cast<int>(std::min<int64_t>(ms, INT32_MAX)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void sleepMs(int64_t ms) {
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

int64_t tickCount() {
    if (testClockMs) {
        return *testClockMs;
    }
    return processClock().elapsed() + 1;
}

int64_t deadlineAfter(int64_t ms) {
    const int64_t now = tickCount();
    const int64_t wait = std::max<int64_t>(ms, 0);
    return wait > std::numeric_limits<int64_t>::max() - now ? std::numeric_limits<int64_t>::max()
                                                            : now + wait;
}

ScopedTestClock::ScopedTestClock(int64_t startMs) {
    set(startMs);
}
ScopedTestClock::~ScopedTestClock() {
    testClockMs.reset();
}
void ScopedTestClock::set(int64_t ms) {
    testClockMs = ms == 0 ? 1 : ms;
}
void ScopedTestClock::advance(int64_t ms) {
    set(*testClockMs + ms);
}
int64_t ScopedTestClock::now() const {
    return *testClockMs;
}

}  // namespace platform
