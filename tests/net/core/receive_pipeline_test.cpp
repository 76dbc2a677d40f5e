#include "pipeline_fixture.h"

#include "confirmation.h"
#include "identifiers.h"
#include "input_limits.h"
#include "lookups.h"
#include "node_info.h"
#include "route_table.h"
#include "transforms.h"

#include "platform/event_loop.h"

#include <gtest/gtest.h>

namespace qel::test {
namespace {

using Fields = std::vector<std::string>;

TEST_F(ChainTest, APacketForCIsForwardedByBAndHandledOnceByC) {
    a.session->useComp = true;  // B must pass the body on without undoing it
    const std::string body(2000, 'q');
    const std::string id = probe(a, c.session->nodeID, body);
    ASSERT_TRUE(waitFor([&] { return handledAt(c, id).size() == 1; }));

    const Handled& atC = *handledAt(c, id).front();
    EXPECT_EQ(atC.packet.Data, body);
    EXPECT_EQ(atC.source, a.session->nodeID);
    EXPECT_EQ(getText(atC.packet, "TTL"), "19");
    EXPECT_EQ(getText(atC.packet, "Hops"), "1");
    EXPECT_EQ(getText(atC.packet, "Route"), a.session->nodeID + "," + b.session->nodeID);
    ASSERT_EQ(arrivalsOf(b, id).size(), 1U);
    ASSERT_EQ(arrivalsOf(c, id).size(), 1U);
    const clsPacket& leftA = arrivalsOf(b, id).front()->packet;
    EXPECT_TRUE(hasFlag(leftA, "Z"));
    EXPECT_EQ(arrivalsOf(c, id).front()->packet.Data, leftA.Data);  // byte for byte
    EXPECT_EQ(arrivalsOf(c, id).front()->connection, cFromB);
    EXPECT_TRUE(handledAt(b, id).empty());

    // The same ID again: B drops it, so C never sees it twice; nothing went back to A.
    const std::string replay =
        probe(a, c.session->nodeID, "again", [&](clsPacket& p) { AddField(p, "ID", id); });
    EXPECT_EQ(replay, id);
    settle(a, c);
    EXPECT_EQ(arrivalsOf(b, id).size(), 2U);
    EXPECT_EQ(arrivalsOf(c, id).size(), 1U);
    EXPECT_EQ(handledAt(c, id).size(), 1U);
    EXPECT_TRUE(arrivalsOf(a, id).empty());
}

TEST_F(ChainTest, WhatBHandlesAloneOrCannotPassOnGoesNoFurther) {
    struct Row {
        const char* what;
        std::string method;
        std::string destination;
        std::string ttl;  // "" leaves the field out
        bool hasID;
        bool handledAtB;
        int64_t dropped;
    };
    const std::string toB = b.session->nodeID;
    const std::string toC = c.session->nodeID;
    const std::vector<Row> rows = {
        {"for B alone", "PROBE", toB, "20", true, true, 0},
        {"TTL 1", "PROBE", toC, "1", true, false, 1},
        {"no TTL", "PROBE", toC, "", true, false, 1},
        {"unknown method", "NOSUCH", toB, "20", true, false, 0},
        {"no ID", "PROBE", "BROADCAST", "20", false, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string id = newID();
        clsPacket p;
        p.Method = row.method;
        AddField(p, "Destination", row.destination);
        AddField(p, "Source", a.session->nodeID);
        if (!row.ttl.empty()) {
            AddField(p, "TTL", row.ttl);
        }
        AddField(p, "Hops", "0");
        AddField(p, "Tag", id);
        if (row.hasID) {
            AddField(p, "ID", id);
        }
        const int64_t droppedBefore = library().counters.PacketsDropped;
        const size_t arrivalsBefore = arrivals.size();
        sendRaw(aToB, p);
        settle(a, c);
        EXPECT_EQ(library().counters.PacketsDropped - droppedBefore, row.dropped);
        int atB = 0;
        int atC = 0;
        for (size_t i = arrivalsBefore; i < arrivals.size(); ++i) {
            if (getText(arrivals[i].packet, "Tag") == id) {
                (arrivals[i].node == b.session ? atB : atC) += 1;
            }
        }
        EXPECT_EQ(atB, 1);
        EXPECT_EQ(atC, 0);
        const bool sawIt = std::any_of(handled.begin(), handled.end(), [&](const Handled& h) {
            return getText(h.packet, "Tag") == id;
        });
        EXPECT_EQ(sawIt, row.handledAtB);
    }
    EXPECT_TRUE(eventsOf(b).errors.empty());
}

TEST_F(ChainTest, APacketWithAnOverlongIDIsDroppedNeitherHandledNorForwarded) {
    const int64_t droppedBefore = library().counters.PacketsDropped;
    const std::string id(limits::MaxPacketIdBytes + 1, 'i');
    probe(a, "BROADCAST", "x", [&](clsPacket& p) { AddField(p, "ID", id); });
    settle(a, c);
    EXPECT_EQ(library().counters.PacketsDropped - droppedBefore, 1);
    EXPECT_EQ(arrivalsOf(b, id).size(), 1U);
    EXPECT_TRUE(handledAt(b, id).empty());
    EXPECT_TRUE(arrivalsOf(c, id).empty());
}

TEST_F(ChainTest, ABodyThatDoesNotInflateIsReportedNeitherHandledNorForwarded) {
    struct Row {
        std::string originalLength;
        int64_t saving;  // added to the compression sum
        int64_t counted;
    };
    for (const Row& row : {Row{"1000", 75, 1}, Row{"many", 0, 0}}) {
        SCOPED_TRACE(row.originalLength);
        eventsOf(b).errors.clear();
        const int64_t sumBefore = library().counters.compressionSum;
        const int64_t countBefore = library().counters.compressionCount;
        const std::string id = probe(a, "BROADCAST", std::string(250, 'x'), [&](clsPacket& p) {
            AddField(p, "Flags", "Z");
            AddField(p, "Original-Length", row.originalLength);
        });
        settle(a, c);
        EXPECT_EQ(library().counters.compressionSum - sumBefore, row.saving);
        EXPECT_EQ(library().counters.compressionCount - countBefore, row.counted);
        EXPECT_EQ(eventsOf(b).errors.size(), 1U);
        EXPECT_TRUE(handledAt(b, id).empty());
        EXPECT_TRUE(arrivalsOf(c, id).empty());
    }
}

// A compressed body is inflated only when a handler reads it: never for a
// method nothing handles (forwarded as it came), and for a handler that
// decodes its own body only once it asks.
TEST_F(ChainTest, ACompressedBodyIsInflatedOnlyForAHandlerThatReadsIt) {
    library().methodHandlers.add(
        "LAZY",
        [this](clsPacket& packet, const std::shared_ptr<clsSocket>&, const std::string& source) {
            if (getText(packet, "Read") == "yes") {
                EXPECT_TRUE(decodeReceivedBody(packet));
            }
            handled.push_back({currentSession(), packet, source});
        },
        BodyDecoding::ByHandler);
    const std::string plain(1024 * 1024, 'p');
    std::string wire = plain;
    ASSERT_TRUE(compressData(wire, 9));
    struct Row {
        std::string method;
        std::string read;
        bool toC;  // through B, which does not handle it
        int64_t inflated;
    };
    const Row rows[] = {
        {"PROBE", "", false, 1},  {"UPDATE", "", false, 0},  {"UPDATE", "", true, 0},
        {"LAZY", "no", false, 0}, {"LAZY", "yes", false, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.method + " " + row.read);
        const int64_t before = library().counters.compressionCount;
        const std::string id =
            probe(a, row.toC ? c.session->nodeID : b.session->nodeID, wire, [&](clsPacket& p) {
                p.Method = row.method;
                AddField(p, "Flags", "Z");
                AddField(p, "Original-Length", std::to_string(plain.size()));
                AddField(p, "Read", row.read);
            });
        settle(a, c);
        EXPECT_EQ(library().counters.compressionCount - before, row.inflated);
        const std::vector<const Handled*> atB = handledAt(b, id);
        if (row.method == "UPDATE") {
            EXPECT_TRUE(atB.empty());
        } else {
            ASSERT_EQ(atB.size(), 1U);
            EXPECT_EQ(atB.front()->packet.Data, row.inflated ? plain : wire);
        }
        const std::vector<const Arrival*> atC = arrivalsOf(c, id);
        ASSERT_EQ(atC.size(), row.toC ? 1U : 0U);
        if (row.toC) {
            EXPECT_EQ(atC.front()->packet.Data, wire);
        }
    }
    EXPECT_TRUE(eventsOf(b).errors.empty());
}

// A Route longer than any hops could write is no route: B neither learns nor
// passes it on (C learns the way from B), and the packet still goes through.
TEST_F(ChainTest, AnOverlongRouteIsNeitherLearnedNorPassedOn) {
    for (const size_t length : {size_t{1000}, static_cast<size_t>(limits::MaxRouteBytes) + 1}) {
        SCOPED_TRACE(length);
        const std::string origin(length - 1, 'R');
        const std::string id =
            probe(a, c.session->nodeID, "x", [&](clsPacket& p) { AddField(p, "Route", origin); });
        settle(a, c);
        ASSERT_EQ(handledAt(c, id).size(), 1U);
        const bool kept = length <= static_cast<size_t>(limits::MaxRouteBytes);
        const std::string atC = getText(arrivalsOf(c, id).front()->packet, "Route");
        EXPECT_EQ(atC, kept ? origin + "," + a.session->nodeID + "," + b.session->nodeID
                            : b.session->nodeID);
        const auto& routes = b.session->routes;
        EXPECT_EQ(std::any_of(routes.begin(), routes.end(),
                              [&](const StoredRoute& r) { return r.text().starts_with(origin); }),
                  kept);
    }
}

TEST_F(ChainTest, AConfirmableDeliveryIsConfirmedByItsDestinationAndAgainWhenResent) {
    a.session->confirmMode = true;
    const auto confirmsOf = [&](const std::string& id) {
        Fields sources;
        for (const Arrival* confirm : arrivalsAt(a, "CONFIRM")) {
            if (getText(confirm->packet, "Source-Node") == id) {
                sources.push_back(getText(confirm->packet, "Source"));
            }
        }
        return sources;
    };
    const std::string far = probe(a, c.session->nodeID, "deliver me");
    ASSERT_NE(getPending(far), nullptr);
    ASSERT_TRUE(waitFor([&] { return getPending(far) == nullptr; }));
    EXPECT_EQ(confirmsOf(far), Fields{c.session->nodeID});  // from C, not from B
    EXPECT_EQ(handledAt(c, far).size(), 1U);

    // A resend whose CONFIRM was lost: confirmed again, handled once. (A
    // forwarder that passed the first copy on drops the resend, so only a
    // neighbour sees it.)
    const std::string near = probe(a, b.session->nodeID, "once");
    const std::shared_ptr<clsPendingPkt> pending = getPending(near);
    ASSERT_NE(pending, nullptr);
    ASSERT_TRUE(waitFor([&] { return getPending(near) == nullptr; }));
    startPacketSend(pending);
    ASSERT_TRUE(waitFor([&] { return confirmsOf(near).size() == 2; }));
    EXPECT_EQ(confirmsOf(near), (Fields{b.session->nodeID, b.session->nodeID}));
    EXPECT_EQ(handledAt(b, near).size(), 1U);
}

// Nobody announces itself here: a connection learns the node at its other end
// from the packets that node sends itself (Hops 0), so that node becomes
// reachable directly even over a connection this node opened.
TEST_F(ChainTest, AConnectionLearnsItsPeerFromThePeersOwnPackets) {
    for (const auto& connection : {aToB, bFromA, bToC, cFromB}) {
        EXPECT_EQ(connection->remoteNodeID, "");
    }
    const std::string idOfB = b.session->nodeID;
    const std::string idOfC = c.session->nodeID;

    // C's broadcast comes to B directly and to A through B.
    settle(c, a);
    EXPECT_EQ(bToC->remoteNodeID, idOfC);
    EXPECT_EQ(findRoute(*b.session, idOfC), bToC);
    EXPECT_EQ(aToB->remoteNodeID, "");

    // With routes disabled a connection this node accepted learns nothing;
    // one it opened still learns its peer, its only way back to that node.
    b.session->routesEnabled = false;
    settle(a, b);
    EXPECT_EQ(bFromA->remoteNodeID, "");
    b.session->routesEnabled = true;
    a.session->routesEnabled = false;
    settle(b, a);
    EXPECT_EQ(aToB->remoteNodeID, idOfB);
    a.session->routesEnabled = true;

    // Another node at the other end (a reconnect that reached it) is learned anew.
    clsPacket other;
    other.Method = "PROBE";
    for (const auto& [name, value] : {std::pair{"Destination", "BROADCAST"},
                                      {"Source", "NODE-OTHER"},
                                      {"TTL", "1"},
                                      {"Hops", "0"}}) {
        AddField(other, name, value);
    }
    const std::string id = newID();
    AddField(other, "ID", id);
    sendRaw(bFromA, other);
    ASSERT_TRUE(waitFor([&] { return !handledAt(a, id).empty(); }));
    EXPECT_EQ(aToB->remoteNodeID, "NODE-OTHER");
}

TEST_F(TriangleTest, EveryAddresseeHandlesAPacketOnceWhicheverWayItCame) {
    const std::string both = b.session->nodeID + "," + c.session->nodeID;
    for (const std::string& destination : {std::string("BROADCAST"), both, c.session->nodeID}) {
        SCOPED_TRACE(destination);
        const bool forCAlone = destination == c.session->nodeID;
        // Flagged for confirmation, a packet for several nodes is still not confirmed.
        const std::string id = probe(a, destination, {}, [&](clsPacket& p) {
            if (!forCAlone) {
                AddField(p, "Flags", "C");
            }
        });
        // C hears it from A, and maybe again through B; B hears it from A or from C.
        ASSERT_TRUE(waitFor(
            [&] { return !handledAt(c, id).empty() && (forCAlone || !handledAt(b, id).empty()); }));
        settle(c, a);
        EXPECT_EQ(handledAt(c, id).size(), 1U);
        EXPECT_EQ(handledAt(b, id).size(), forCAlone ? 0U : 1U);
        EXPECT_TRUE(handledAt(a, id).empty());
        EXPECT_TRUE(arrivalsAt(a, "CONFIRM").empty());
    }
}

TEST_F(PairTest, TransformedBodiesAreInflatedFirstWhateverTheOrderOfTheFlags) {
    const std::string plain =
        "a body that is both compressed and encrypted, " + std::string(200, 'z');
    struct Row {
        std::string flags;
        std::string key;
    };
    for (const Row& row : {Row{"Z,KE", b.session->encryptionKey},
                           Row{"KE,Z", b.session->encryptionKey}, Row{" z ,ne", "nominal"}}) {
        SCOPED_TRACE(row.flags);
        std::string wire = plain;
        ASSERT_TRUE(encryptData(wire, row.key));
        ASSERT_TRUE(compressData(wire, 9));
        const std::string id = probe(a, b.session->nodeID, wire, [&](clsPacket& p) {
            AddField(p, "Flags", row.flags);
            AddField(p, "Original-Length", std::to_string(plain.size()));
        });
        ASSERT_TRUE(waitFor([&] { return handledAt(b, id).size() == 1; }));
        EXPECT_EQ(handledAt(b, id).front()->packet.Data, plain);
    }
}

TEST_F(PairTest, APingIsAnsweredByAPongThatEndsTheWaitingPingOnly) {
    const std::string bID = b.session->nodeID;
    typNodeEntry pinged;
    pinged.ID = bID;
    pinged.pingReqID = "REQ1";
    pinged.pingSent = platform::tickCount();
    pinged.pingResult = -1;
    a.session->nodeTable = {pinged};

    // B describes itself meanwhile: the ping goes on waiting.
    switchSession(b.session);
    sendInfo(a.session->nodeID, nullptr);
    ASSERT_TRUE(waitFor([&] { return a.session->nodeTable.front().Name == "B"; }));
    EXPECT_EQ(a.session->nodeTable.front().pingReqID, "REQ1");
    EXPECT_EQ(a.session->nodeTable.front().pingResult, -1);

    const auto ping = [&](const std::string& reqID) {
        clsPacket p;
        p.Method = "PING";
        AddField(p, "Destination", bID);
        AddField(p, "ReqID", reqID);
        switchSession(a.session);
        sendPacket(p);
        EXPECT_TRUE(waitFor([&] {
            const auto pongs = arrivalsAt(a, "PONG");
            return !pongs.empty() && getText(pongs.back()->packet, "ReqID") == reqID;
        }));
        return arrivalsAt(a, "PONG").back()->packet;
    };
    ping("OTHER");
    EXPECT_EQ(a.session->nodeTable.front().pingResult, -1);

    const clsPacket pong = ping("REQ1");
    EXPECT_EQ(fieldTexts(pong),
              (Fields{"Destination: " + a.session->nodeID, "ReqID: REQ1", "Source: " + bID,
                      "TTL: 20", "Hops: 0", "ID: " + getText(pong, "ID"), "Route: " + bID}));
    EXPECT_GE(a.session->nodeTable.front().pingResult, 0);
}

TEST_F(PairTest, AMessageRaisesMessageReceivedWithBodyTypeAndSource) {
    clsPacket msg;
    msg.Method = "MSG";
    msg.Data = "hello\r\nthere";
    AddField(msg, "Type", "chat");
    AddField(msg, "Destination", b.session->nodeID);
    switchSession(a.session);
    sendPacket(msg);
    ASSERT_TRUE(waitFor([&] { return !eventsOf(b).messages.empty(); }));
    EXPECT_EQ(eventsOf(b).messages, Fields{"hello\r\nthere|chat|" + a.session->nodeID});
    EXPECT_TRUE(eventsOf(a).messages.empty());
}

}  // namespace
}  // namespace qel::test
