#include "pipeline_fixture.h"

#include "identifiers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qel::test {
namespace {

// A PROBE for `destination` written by hand, as a peer might send it.
clsPacket rawProbe(const Node& from, const std::string& destination, const std::string& body) {
    clsPacket p;
    p.Method = "PROBE";
    p.Data = body;
    AddField(p, "Destination", destination);
    AddField(p, "Source", from.session->nodeID);
    AddField(p, "TTL", "5");
    AddField(p, "Hops", "0");
    AddField(p, "ID", newID());
    AddField(p, "Content-Length", std::to_string(body.size()));
    return p;
}

// A peer's fields named like array fields of the core's own must not freeze
// them: B still counts TTL and Hops down and up, and writes the length of the
// body it compressed.
TEST_F(ChainTest, APeersArrayFieldsLeaveTheCoresOwnFieldsToTheCore) {
    b.session->useComp = true;
    const std::string body(3000, 'a');
    clsPacket p = rawProbe(a, c.session->nodeID, body);
    for (const std::string name : {"TTL", "Hops", "Content-Length", "Flags", "Original-Length"}) {
        AddField(p, name + "-Min", "0");
        AddField(p, name + "-Max", "0");
        AddField(p, name + "0", "7");
    }
    sendRaw(aToB, p);
    const std::string id = getText(p, "ID");
    ASSERT_TRUE(waitFor([&] { return handledAt(c, id).size() == 1; }));
    const clsPacket& atC = handledAt(c, id).front()->packet;
    EXPECT_EQ(getText(atC, "TTL"), "4");
    EXPECT_EQ(getText(atC, "Hops"), "1");
    EXPECT_EQ(atC.Data, body);

    // The link behind B still frames what follows.
    const std::string next = probe(a, c.session->nodeID, "next");
    EXPECT_TRUE(waitFor([&] { return handledAt(c, next).size() == 1; }));
    EXPECT_TRUE(eventsOf(b).errors.empty());
}

TEST_F(ChainTest, AForwardedCopyTravelsNoFurtherThanTheForwardersOwnTTL) {
    clsPacket p = rawProbe(a, "BROADCAST", "x");
    ASSERT_TRUE(setText(p, "TTL", "2000000000"));
    sendRaw(aToB, p);
    const std::string id = getText(p, "ID");
    ASSERT_TRUE(waitFor([&] { return arrivalsOf(c, id).size() == 1; }));
    EXPECT_EQ(getText(arrivalsOf(c, id).front()->packet, "TTL"), std::to_string(b.session->TTL));
}

TEST_F(ChainTest, ANegativeOrNonNumericHopCountDropsThePacket) {
    struct Row {
        const char* field;
        const char* value;
    };
    for (const Row& row :
         {Row{"Hops", "-1"}, Row{"Hops", "one"}, Row{"TTL", "-5"}, Row{"TTL", "99999999999"}}) {
        SCOPED_TRACE(std::string(row.field) + ": " + row.value);
        eventsOf(b).errors.clear();
        clsPacket p = rawProbe(a, "BROADCAST", "x");
        ASSERT_TRUE(setText(p, row.field, row.value));
        const int64_t droppedBefore = library().counters.PacketsDropped;
        sendRaw(aToB, p);
        settle(a, c);
        const std::string id = getText(p, "ID");
        EXPECT_EQ(arrivalsOf(b, id).size(), 1U);
        EXPECT_TRUE(handledAt(b, id).empty());
        EXPECT_TRUE(arrivalsOf(c, id).empty());
        EXPECT_EQ(library().counters.PacketsDropped - droppedBefore, 1);
        EXPECT_EQ(eventsOf(b).errors.size(), 1U);
    }
}

// A burst of broadcasts reaches C straight from A, and each copy again later
// through B once the whole burst has passed: C handles each only once.
TEST_F(TriangleTest, ABurstOfBroadcastsIsHandledExactlyOnceByEveryNode) {
    std::vector<clsPacket> burst;
    for (int i = 0; i < 100; ++i) {
        burst.push_back(rawProbe(a, "BROADCAST", "burst " + std::to_string(i)));
        ASSERT_TRUE(setText(burst.back(), "TTL", "1"));  // C passes the direct copy on to no one
        sendRaw(aToC, burst.back());
    }
    ASSERT_TRUE(waitFor([&] { return !handledAt(c, getText(burst.back(), "ID")).empty(); }));
    for (clsPacket& p : burst) {
        ASSERT_TRUE(setText(p, "TTL", "5"));
        sendRaw(aToB, p);
    }
    ASSERT_TRUE(waitFor([&] { return !handledAt(b, getText(burst.back(), "ID")).empty(); }));
    settle(b, c);
    for (const clsPacket& p : burst) {
        const std::string id = getText(p, "ID");
        EXPECT_EQ(handledAt(b, id).size(), 1U);
        EXPECT_EQ(handledAt(c, id).size(), 1U);
    }
}

}  // namespace
}  // namespace qel::test
