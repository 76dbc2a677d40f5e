#include "platform/event_loop.h"
#include "platform/timer.h"
#include "support/wait.h"

#include <QTimer>

#include <gtest/gtest.h>

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
