#include "platform/event_loop.h"
#include "platform/timer.h"
#include "support/wait.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

using platform::tickCount;

TEST(EventLoop, TickCountIsMonotonicAndNeverZero) {
    const int64_t first = tickCount();
    platform::sleepMs(5);
    EXPECT_GT(first, 0);
    EXPECT_GE(tickCount() - first, 5);
}

TEST(EventLoop, TestClockReplacesRealClockWhileAlive) {
    {
        platform::ScopedTestClock clock(0);
        EXPECT_EQ(tickCount(), 1);                  // 0 is never a tick count
        clock.set(int64_t{30} * 24 * 3600 * 1000);  // past 25 days: no wrap
        clock.advance(500);
        EXPECT_EQ(tickCount(), int64_t{30} * 24 * 3600 * 1000 + 500);
    }
    EXPECT_LT(tickCount(), int64_t{24} * 3600 * 1000);
}

TEST(EventLoop, WaitEventsReturnsWithinItsBound) {
    platform::doEvents();
    const int64_t start = tickCount();
    platform::waitEvents(50);
    EXPECT_LT(tickCount() - start, 10000);  // returns, however busy the machine
}

TEST(EventLoop, WaitEventsReturnsEarlyOnAnEvent) {
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    const int64_t start = tickCount();
    while (!fired && tickCount() - start < 60000) {
        platform::waitEvents(60000);
    }
    EXPECT_TRUE(fired);
    EXPECT_LT(tickCount() - start, 30000);  // long before the bound
}

TEST(EventLoop, NestedWaitDeliversThePostedEventsQueuedBehindTheCurrentOne) {
    QObject receiver;
    bool second = false;
    bool seenInside = false;
    QMetaObject::invokeMethod(
        &receiver, [&] { seenInside = tornel::test::waitUntil([&] { return second; }, 20000); },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        &receiver, [&] { second = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(tornel::test::waitUntil([&] { return second; }));
    EXPECT_TRUE(seenInside);
}

// Each kind of wait runs the hook before it blocks: a hook that ends the
// wait ends it long before its own bound.
TEST(EventLoop, EveryPassRunsTheHookBeforeItBlocks) {
    QEventLoop nested;
    int runs = 0;
    bool ending = false;
    platform::setEventLoopPassHook([&] {
        ++runs;
        if (ending) {
            nested.quit();  // ends a nested loop
        }
        return ending;  // and keeps a waiting one from blocking
    });
    const struct {
        const char* name;
        std::function<void()> wait;
    } waits[] = {
        {"doEvents", [] { platform::doEvents(); }},
        {"waitEvents", [] { platform::waitEvents(5000); }},
        {"nested loop",
         [&] {
             QTimer::singleShot(5000, &nested, &QEventLoop::quit);
             nested.exec();
         }},
    };
    for (const auto& w : waits) {
        SCOPED_TRACE(w.name);
        platform::doEvents();
        runs = 0;
        ending = true;
        const int64_t start = tickCount();
        w.wait();
        ending = false;
        EXPECT_GT(runs, 0);
        EXPECT_LT(tickCount() - start, 2500);
    }
    platform::setEventLoopPassHook({});
    runs = 0;
    platform::doEvents();
    EXPECT_EQ(runs, 0);
}

// The test process chose Qt's own dispatcher as the program does; the choice
// holds for its loop and does not reach the processes it starts.
TEST(EventLoop, ThePlainDispatcherChoiceStaysInThisProcess) {
    std::ifstream initial("/proc/self/environ", std::ios::binary);
    const std::string startedWith((std::istreambuf_iterator<char>(initial)), {});
    if (startedWith.find(std::string("\0QT_NO_GLIB=", 12)) != std::string::npos ||
        startedWith.starts_with("QT_NO_GLIB=")) {
        GTEST_SKIP() << "QT_NO_GLIB was given to the tests";
    }
    EXPECT_STRNE(QAbstractEventDispatcher::instance()->metaObject()->className(),
                 "QEventDispatcherGlib");
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_NO_GLIB"));
    QProcess child;
    child.start("/usr/bin/env", {});
    ASSERT_TRUE(child.waitForFinished(20000));
    const QByteArray seen = child.readAllStandardOutput();
    EXPECT_TRUE(seen.contains("PATH="));
    EXPECT_FALSE(seen.contains("QT_NO_GLIB="));
}

TEST(Timer, FiresOnlyWhileEnabledWithAnInterval) {
    int ticks = 0;
    platform::Timer timer([&] { ++ticks; });
    timer.setInterval(10);
    platform::waitEvents(40);
    EXPECT_EQ(ticks, 0);  // not enabled yet
    timer.setEnabled(true);
    EXPECT_TRUE(tornel::test::waitUntil([&] { return ticks >= 3; }));
    timer.setEnabled(false);
    const int stopped = ticks;
    platform::waitEvents(40);
    EXPECT_EQ(ticks, stopped);
}

TEST(Timer, TicksInsideANestedWaitButNeverReentersItself) {
    int outerTicks = 0;
    int innerTicks = 0;
    bool inOuter = false;
    bool reentered = false;
    platform::Timer inner([&] { ++innerTicks; });
    inner.setInterval(5);
    inner.setEnabled(true);
    platform::Timer outer;
    outer.setHandler([&] {
        if (inOuter) {
            reentered = true;
        }
        inOuter = true;
        ++outerTicks;
        const int before = innerTicks;
        tornel::test::waitUntil([&] { return innerTicks >= before + 3; });
        inOuter = false;
        outer.setEnabled(false);
    });
    outer.setInterval(1);
    outer.setEnabled(true);
    EXPECT_TRUE(tornel::test::waitUntil([&] { return outerTicks == 1 && !inOuter; }));
    EXPECT_FALSE(reentered);
    EXPECT_GE(innerTicks, 3);
}

TEST(Timer, AThrowingHandlerKeepsTheTimerRunning) {
    int ticks = 0;
    platform::Timer timer([&] {
        ++ticks;
        throw std::runtime_error("handler failed");
    });
    timer.setInterval(5);
    timer.setEnabled(true);
    EXPECT_TRUE(tornel::test::waitUntil([&] { return ticks >= 2; }));
}
