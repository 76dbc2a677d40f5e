#include "core_fixture.h"

#include "library_state.h"
#include "session.h"
#include "session_wait.h"

#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <limits>

namespace qel::test {
namespace {

using SessionTest = CoreTest;

TEST_F(SessionTest, SetUpHappensOnceAndNodesAreNumberedFromOne) {
    EXPECT_EQ(library().protocolVersion, "QEL/2.1");
    EXPECT_EQ(library().packetCache, 50);
    EXPECT_EQ(library().filePacket, 256);
    EXPECT_EQ(library().nodeCache.size(), 1U);
    library().packetCache = 7;
    EXPECT_TRUE(initLibrary());
    EXPECT_EQ(library().packetCache, 7);  // not set up again

    const SessionPtr first = addNode();
    const SessionPtr second = addNode();
    EXPECT_EQ(library().sessions.indexOf(*first), 1);
    EXPECT_EQ(library().sessions.indexOf(*second), 2);
    EXPECT_EQ(currentSession(), second);
    EXPECT_EQ(second->nodeTable.size(), 1U);  // the blank tables of a new record
    EXPECT_EQ(second->pendingSearches.size(), 1U);
}

TEST_F(SessionTest, SwitchingReportsBadIndexesToTheCurrentNode) {
    std::vector<std::string>& errors = errorsOfNode();

    struct Case {
        int32_t index;
        bool result;
        const char* error;  // nullptr: no report
    };
    const Case cases[] = {
        {1, true, nullptr},  // already current
        {5, false, "Error -2147221502: Cannot switch to session. Invalid session index: 5"},
        {0, false, "Error -2147221502: Cannot switch to session. Invalid session index: 0"},
        {-1, false, "Error -2147221502: Cannot switch to session. Invalid session index: -1"},
    };
    for (const Case& c : cases) {
        errors.clear();
        EXPECT_EQ(switchSession(c.index), c.result) << c.index;
        EXPECT_EQ(library().sessions.currentIndex(), 1) << c.index;
        if (c.error != nullptr) {
            EXPECT_EQ(errors, std::vector<std::string>{c.error});
        } else {
            EXPECT_TRUE(errors.empty());
        }
    }
}

TEST_F(SessionTest, SwitchingToNoneWhileNoneIsCurrentIsSilent) {
    const SessionPtr node = addNode();
    removeSession(*node);
    EXPECT_FALSE(switchSession(0));
    EXPECT_TRUE(recorders.front()->errors.empty());
}

TEST(SessionSetUp, WithoutSetUpNothingSwitches) {
    ScopedLibraryState state;
    auto recorder = std::make_shared<ErrorRecorder>();
    const SessionPtr node = appendSession(recorder);
    EXPECT_EQ(currentSession(), nullptr);
    library().sessions.setCurrent(node);  // so the report has an owner
    EXPECT_FALSE(switchSession(1));
    EXPECT_FALSE(switchSession(SessionHandle(node)));
    EXPECT_EQ(recorder->errors,
              std::vector<std::string>(2, "Error -2147221503: QEL not initialised"));
}

TEST_F(SessionTest, RemovalRenumbersAndHoldersKeepTheirOwnNode) {
    const SessionPtr a = addNode();
    const SessionPtr b = addNode();
    const SessionPtr c = addNode();
    // What a connection or companion object keeps.
    const SessionHandle holderOfA = a;
    const SessionHandle holderOfB = b;
    const SessionHandle holderOfC = c;

    ASSERT_TRUE(switchSession(1));
    removeSession(*a);

    EXPECT_EQ(currentSession(), nullptr);
    EXPECT_EQ(library().sessions.indexOf(*b), 1);
    EXPECT_EQ(library().sessions.indexOf(*c), 2);
    EXPECT_EQ(library().sessions.indexOf(*a), 0);

    // A holder of the removed node acts for nobody, even while the record lives on.
    EXPECT_FALSE(switchSession(holderOfA));
    EXPECT_EQ(currentSession(), nullptr);
    // Holders of renumbered nodes still reach their own node.
    EXPECT_TRUE(switchSession(holderOfB));
    EXPECT_EQ(currentSession(), b);
    EXPECT_TRUE(switchSession(holderOfC));
    EXPECT_EQ(currentSession(), c);
    EXPECT_TRUE(recorders[1]->errors.empty());
    EXPECT_TRUE(recorders[2]->errors.empty());
}

TEST_F(SessionTest, TheGuardRestoresWhatWasCurrent) {
    const SessionPtr a = addNode();
    const SessionPtr b = addNode();
    ASSERT_TRUE(switchSession(1));
    {
        CurrentSessionGuard guard;
        EXPECT_TRUE(guard.switchTo(SessionHandle(b)));
        EXPECT_EQ(currentSession(), b);
    }
    EXPECT_EQ(currentSession(), a);
    {
        CurrentSessionGuard guard;
        guard.switchTo(2);
        removeSession(*a);  // the remembered node goes meanwhile
    }
    EXPECT_EQ(currentSession(), nullptr);
}

TEST_F(SessionTest, SeenIdsLastTwoMinutesAndAtLeastThePacketCache) {
    platform::ScopedTestClock clock;
    const SessionPtr node = addNode();
    node->packetIDs.reset(library().packetCache);
    rememberPacketID("S", "X");
    for (int i = 1; i <= 1000; ++i) {
        rememberPacketID("S", "ID" + std::to_string(i));
    }
    EXPECT_TRUE(packetSeen("S", "X"));  // 1000 IDs back, but within two minutes: still dropped
    EXPECT_TRUE(packetSeen("S", "ID1"));
    EXPECT_FALSE(packetSeen("S", "id1"));  // exact match only
    EXPECT_FALSE(packetSeen("S", ""));     // empty IDs never match
    // An ID is only another node's packet when that node sent it.
    EXPECT_FALSE(packetSeen("T", "X"));
    EXPECT_FALSE(packetSeen("", "X"));

    clock.advance(SeenPacketIds::WindowMs - 1);
    EXPECT_TRUE(packetSeen("S", "X"));
    clock.advance(1);
    EXPECT_FALSE(packetSeen("S", "X"));  // two minutes old: handled again
    EXPECT_FALSE(packetSeen("S", "ID950"));
    EXPECT_TRUE(packetSeen("S", "ID951"));  // the last packetCache (50) IDs stay longer
    EXPECT_TRUE(packetSeen("S", "ID1000"));

    // An ID stored twice stays seen until both are forgotten.
    SeenPacketIds twice(1);
    twice.remember("S", "A");
    clock.advance(SeenPacketIds::WindowMs / 2);
    twice.remember("S", "A");
    twice.remember("S", "B");
    clock.advance(SeenPacketIds::WindowMs / 2);
    EXPECT_TRUE(twice.contains("S", "A"));
    clock.advance(SeenPacketIds::WindowMs / 2);
    EXPECT_FALSE(twice.contains("S", "A"));
    EXPECT_TRUE(twice.contains("S", "B"));  // the least number remembered

    SeenPacketIds clamped(0);  // a cache size below 1 holds one ID
    EXPECT_EQ(clamped.capacity(), 1);

    // However many arrive at once, memory stays bounded: the oldest give way.
    SeenPacketIds burst(1);
    for (int64_t i = 0; i <= SeenPacketIds::MaxRemembered; ++i) {
        burst.remember("S", std::to_string(i));
    }
    EXPECT_FALSE(burst.contains("S", "0"));
    EXPECT_TRUE(burst.contains("S", "1"));
}

TEST_F(SessionTest, AHugeWaitTimeOutWaitsUntilDoneInsteadOfNotAtAll) {
    platform::ScopedTestClock clock(int64_t{1} << 40);
    const SessionPtr node = addNode();
    for (const int64_t timeout : {std::numeric_limits<int64_t>::max(), int64_t{1} << 62}) {
        int looks = 0;
        EXPECT_TRUE(waitInSession(node, timeout, 0, [&] { return ++looks == 3; }));
        EXPECT_EQ(looks, 3);
    }
    int looks = 0;
    EXPECT_TRUE(waitInSession(node, std::numeric_limits<int64_t>::min(), 0, [&] {
        ++looks;
        return false;
    }));
    EXPECT_EQ(looks, 1);  // a negative time-out only looks once
}

TEST_F(SessionTest, TheConfirmationTimerFollowsEveryNode) {
    const SessionPtr a = addNode();
    const SessionPtr b = addNode();
    const platform::Timer& timer = library().timers->confirmation;
    updateConfirmTimer();
    EXPECT_FALSE(timer.enabled());
    a->confirmMode = true;  // not the current node
    updateConfirmTimer();
    EXPECT_TRUE(timer.enabled());
    a->confirmMode = false;
    b->confirmMode = true;
    updateConfirmTimer();
    EXPECT_TRUE(timer.enabled());
    removeSession(*b);
    updateConfirmTimer();
    EXPECT_FALSE(timer.enabled());
}

}  // namespace
}  // namespace qel::test
