#include "node_fixture.h"

#include "library_state.h"
#include "socket_host.h"

#include "platform/event_loop.h"
#include "qellib/stats.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace qel::test {
namespace {

TEST(StatsTest, AverageCompressionRoundsHalvesToEven) {
    const ScopedLibraryState state;
    const cQELStats stats;
    EXPECT_EQ(stats.AvgCompression(), 0);  // before any compressed body
    struct Case {
        std::initializer_list<int64_t> savings;
        int16_t average;
    };
    const Case cases[] = {
        {{50, 51}, 50},    {{51, 52}, 52},    {{75}, 75},     {{-5, -5}, -5},
        {{-50, -51}, -50}, {{-51, -52}, -52}, {{0, 0, 1}, 0}, {{32767, 32767}, 32767},
    };
    for (const Case& c : cases) {
        TrafficCounters& counters = library().counters;
        counters.compressionSum = 0;
        counters.compressionCount = 0;
        for (const int64_t saving : c.savings) {
            counters.compressionSum += saving;
            ++counters.compressionCount;
        }
        EXPECT_EQ(stats.AvgCompression(), c.average) << counters.compressionSum;
    }
    EXPECT_EQ(stats.QELVersion(), "2.1.246");
}

TEST(StatsTest, RatesAreThoseOfTheLastTickOverTheMeasuredTime) {
    const ScopedLibraryState state;
    ASSERT_TRUE(initLibrary());
    library().timers->statistics.setEnabled(false);
    platform::ScopedTestClock clock;
    TrafficCounters& counters = library().counters;
    const auto traffic = [&counters](int64_t bytes, int64_t packets) {
        counters.bytesIn += bytes;
        counters.bytesOut += 2 * bytes;
        counters.packetsIn += packets;
        counters.packetsOut += 2 * packets;
    };

    traffic(1000, 10);
    socketHost().timStats_Timer();  // the first tick counts the timer's interval
    const cQELStats first;
    const cQELStats second;
    EXPECT_EQ(first.InByteSpeed(), 2000);
    EXPECT_EQ(first.OutByteSpeed(), 4000);
    EXPECT_EQ(first.InPacketRate(), 20);
    EXPECT_EQ(first.OutPacketRate(), 40);

    // Traffic between ticks leaves the rates alone.
    traffic(5000, 50);
    EXPECT_EQ(second.InByteSpeed(), 2000);
    EXPECT_EQ(second.OutPacketRate(), 40);

    // A tick that comes late spreads the traffic over the real time.
    clock.advance(2000);
    socketHost().timStats_Timer();
    EXPECT_EQ(second.InByteSpeed(), 2500);
    EXPECT_EQ(second.OutByteSpeed(), 5000);
    EXPECT_EQ(second.InPacketRate(), 25);
    EXPECT_EQ(first.OutPacketRate(), 50);

    clock.advance(500);
    socketHost().timStats_Timer();  // no traffic
    for (const int64_t rate :
         {first.InByteSpeed(), first.OutByteSpeed(), first.InPacketRate(), first.OutPacketRate()}) {
        EXPECT_EQ(rate, 0);
    }
}

class StatsExchangeTest : public NodesTest {};

TEST_F(StatsExchangeTest, CountsFollowAKnownExchange) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    link(a, b);
    const cQELStats stats;
    const int64_t inBefore = stats.InPacketCount();
    const int64_t outBefore = stats.OutPacketCount();
    const int64_t droppedBefore = stats.PacketsDropped();

    a->sendMessage("one", b.id);
    a->sendMessage("two", b.id);
    b->sendMessage("three", a.id);
    // A broadcast that arrives with TTL 1 is handled but not passed on.
    a->setAdvanced(advancedSettings({{"TTL", "1"}}));
    a->sendMessage("four", "BROADCAST");
    ASSERT_TRUE(
        waitFor([&] { return b.events->messages.size() == 3 && a.events->messages.size() == 1; }));
    EXPECT_EQ(stats.OutPacketCount() - outBefore, 4);
    EXPECT_EQ(stats.InPacketCount() - inBefore, 4);
    EXPECT_EQ(stats.PacketsDropped() - droppedBefore, 1);
    EXPECT_EQ(stats.DeliveryResends(), 0);
    EXPECT_EQ(stats.DeliveryFailures(), 0);
}

}  // namespace
}  // namespace qel::test
