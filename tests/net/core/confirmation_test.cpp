#include "node_fixture.h"

#include "confirmation.h"
#include "fields.h"
#include "send_pipeline.h"

#include "platform/event_loop.h"

#include <gtest/gtest.h>

namespace qel::test {
namespace {

// Node A, in confirmation mode, sends to node B over A's connection to it;
// B never confirms by itself.
class ConfirmationTest : public NodesTest {
  protected:
    ConfirmationTest() {
        link(a, b);
        a.session->confirmMode = true;
    }

    // Sends a packet `method` from `node` to `destination`; gives its ID.
    std::string send(const Node& node, const std::string& method, const std::string& destination) {
        clsPacket p;
        p.Method = method;
        AddField(p, "Destination", destination);
        switchSession(node.session);
        sendPacket(p);
        return getText(p, "ID");
    }

    size_t arrived(const std::string& method) const { return arrivalsAt(b, method).size(); }

    // A moment for sends that should not happen to show up.
    static void settle() {
        waitFor([] { return false; }, 50);
    }

    void checkAt(int64_t ms) {
        clock.set(start + ms);
        confirmationCheck();
    }

    platform::ScopedTestClock clock;
    const int64_t start = clock.now();
    Node a = addNode();
    Node b = addNode();
};

TEST_F(ConfirmationTest, SendsOnePacketPerDestinationAtATimeResendsAndGivesUp) {
    const std::string bID = b.session->nodeID;
    send(a, "ALL", "BROADCAST");
    const std::string first = send(a, "P1", bID);
    send(a, "P2", bID);
    send(a, "P3", bID);
    send(a, "Y", "NODE-Y");  // another destination (flooded): not held back
    ASSERT_TRUE(waitFor([&] { return arrived("ALL") == 1 && arrived("P1") == 1 && arrived("Y"); }));
    settle();
    EXPECT_EQ(getText(arrivalsAt(b, "ALL").front()->packet, "Flags"), "");
    EXPECT_EQ(getText(arrivalsAt(b, "P1").front()->packet, "Flags"), "C");
    EXPECT_EQ(arrived("P2"), 0U);
    EXPECT_EQ(library().pendingTable.size(), 4U);

    // Its CONFIRM releases the next one.
    removePending(first);
    ASSERT_TRUE(waitFor([&] { return arrived("P2") == 1; }));
    EXPECT_EQ(arrived("P3"), 0U);

    // No CONFIRM: resent every 10 s, given up after the third send; the
    // packet waiting behind it never times out, and starts then.
    struct Pass {
        int64_t at;        // ms after the first send
        size_t p2, y, p3;  // sends that arrived so far
    };
    for (const Pass& pass :
         {Pass{9999, 1, 1, 0}, Pass{10000, 2, 2, 0}, Pass{20000, 3, 3, 0}, Pass{30000, 3, 3, 1}}) {
        SCOPED_TRACE(pass.at);
        checkAt(pass.at);
        EXPECT_TRUE(waitFor([&] {
            return arrived("P2") == pass.p2 && arrived("Y") == pass.y && arrived("P3") == pass.p3;
        }));
        settle();
        EXPECT_EQ(arrived("P2"), pass.p2);
        EXPECT_EQ(arrived("Y"), pass.y);
        EXPECT_EQ(arrived("P3"), pass.p3);
    }
    // Both given up in one pass.
    EXPECT_EQ(library().counters.DeliveryFailures, 2);
    EXPECT_EQ(library().counters.DeliveryResends, 4);
    EXPECT_EQ(library().pendingTable.size(), 1U);
    EXPECT_TRUE(a.events->errors.empty());
}

TEST_F(ConfirmationTest, EachNodeHandlesOnlyItsOwnPendingPackets) {
    const Node d = addNode();
    link(d, b);
    d.session->confirmMode = true;
    d.session->confirmTimeout = 1000;
    const std::string ofA = send(a, "FROM-A", b.session->nodeID);
    const std::string ofD = send(d, "FROM-D", b.session->nodeID);
    ASSERT_TRUE(waitFor([&] { return arrived("FROM-A") == 1 && arrived("FROM-D") == 1; }));

    checkAt(1000);
    EXPECT_TRUE(waitFor([&] { return arrived("FROM-D") == 2U; }));  // D's own time-out
    settle();
    EXPECT_EQ(arrived("FROM-D"), 2U);
    EXPECT_EQ(arrived("FROM-A"), 1U);

    switchSession(d.session);
    removePending(ofA);  // not D's
    EXPECT_NE(getPending(ofA), nullptr);
    dropPendingPackets(*d.session);
    EXPECT_EQ(getPending(ofD), nullptr);
    EXPECT_NE(getPending(ofA), nullptr);
}

}  // namespace
}  // namespace qel::test
