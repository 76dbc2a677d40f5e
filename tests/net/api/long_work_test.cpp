// Long work peers ask for waits in its node's queue and is done from the top
// of the event loop, one job a pass: the frame of the packet that asked has
// returned by then, and no packet is being handled around it.
#include "node_fixture.h"

#include "input_limits.h"
#include "long_work.h"
#include "long_work_queue.h"
#include "receive_nesting.h"

#include "support/raw_peer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qel::test {
namespace {

using tornel::test::RawPeer;

class LongWorkTest : public NodesTest {};

TEST_F(LongWorkTest, QueuedJobsRunOneACallInTheirNodesSessionAndPastTheBoundAreRefused) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    std::vector<std::string> ran;
    int refused = 0;
    const auto submit = [&](TestNode& node, const std::string& name) {
        const CurrentSessionGuard restore;
        ASSERT_TRUE(switchSession(sessionOf(*node.node)));
        doLongWork({name,
                    [&ran, &node, name] {
                        EXPECT_EQ(currentSession(), node.session()) << name;
                        ran.push_back(name);
                    },
                    [&refused] { ++refused; }});
    };
    submit(a, "a1");
    submit(a, "a2");
    submit(a, "a3");
    submit(b, "b1");
    EXPECT_TRUE(ran.empty());  // nothing runs where it is asked for

    // One job a call, the nodes taking turns.
    std::vector<std::vector<std::string>> afterEach;
    while (runQueuedLongWork()) {
        afterEach.push_back(ran);
    }
    const std::vector<std::vector<std::string>> expected = {
        {"a1"}, {"a1", "b1"}, {"a1", "b1", "a2"}, {"a1", "b1", "a2", "a3"}};
    EXPECT_EQ(afterEach, expected);

    ran.clear();
    for (int64_t i = 0; i < limits::MaxQueuedLongWork; ++i) {
        submit(a, "job" + std::to_string(i));
    }
    EXPECT_EQ(refused, 0);
    submit(a, "one too many");
    EXPECT_EQ(refused, 1);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(a.session()->queuedLongWork.size(), size_t(limits::MaxQueuedLongWork));
    // Shutting down drops what waits, undone.
    a->shutDown();
    EXPECT_TRUE(ran.empty());
}

// Packets asking for long work, and a PING behind them in the same write:
// each job runs after its packet's handler has returned, with no packet being
// handled, and the PING is answered.
TEST_F(LongWorkTest, AJobRunsOutsideThePacketThatAskedForIt) {
    TestNode& a = addNode("A");
    struct Run {
        int asked;
        bool handlerReturned;
        bool insideAPacket;
    };
    std::vector<Run> runs;
    std::vector<bool> returned;
    RawPeer peer;
    library().methodHandlers.add(
        "LONG", [&](const clsPacket&, const std::shared_ptr<clsSocket>&, const std::string&) {
            const int asked = static_cast<int>(returned.size());
            returned.push_back(false);
            doLongWork({"A test job",
                        [&, asked] {
                            runs.push_back({asked, returned[size_t(asked)], handlingPacket()});
                        },
                        {}});
            // A handler that lets events run after asking: the job still waits.
            tornel::test::letEventsRun(20);
            returned[size_t(asked)] = true;
        });
    ASSERT_TRUE(peer.connect(a.port));
    std::string burst;
    for (int i = 0; i < 3; ++i) {
        burst += peer.packet("LONG", a.id);
    }
    burst += peer.packet("PING", a.id, {{"ReqID", "P1"}});
    peer.send(burst);
    ASSERT_TRUE(waitFor([&] { return runs.size() == 3; }));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(runs[size_t(i)].asked, i);
        EXPECT_TRUE(runs[size_t(i)].handlerReturned);
        EXPECT_FALSE(runs[size_t(i)].insideAPacket);
    }
    EXPECT_TRUE(waitFor([&] { return peer.count("PONG") == 1; }));
}

}  // namespace
}  // namespace qel::test
