#include "node_fixture.h"

#include "fields.h"
#include "send_pipeline.h"
#include "transforms.h"

#include <gtest/gtest.h>

#include <functional>

namespace qel::test {
namespace {

using Fields = std::vector<std::string>;

clsPacket packet(const std::string& method, const std::string& body = {}) {
    clsPacket p;
    p.Method = method;
    p.Data = body;
    return p;
}

// Node A sends; node B receives over A's connection to it.
class SendPipelineTest : public NodesTest {
  protected:
    SendPipelineTest() { std::tie(toB, atB) = link(a, b); }

    // Sends as A and gives what B received.
    const clsPacket& sendToB(clsPacket p) {
        const size_t before = arrivals.size();
        switchSession(a.session);
        sendPacket(p);
        EXPECT_TRUE(waitFor([&] { return arrivals.size() > before; }));
        return arrivals.back().packet;
    }

    // The defaults a packet of A gets, with the ID it was given.
    Fields defaults(const clsPacket& received, const std::string& destination = "BROADCAST") {
        return {"Destination: " + destination, "Source: " + a.session->nodeID, "TTL: 20", "Hops: 0",
                "ID: " + getText(received, "ID")};
    }

    Node a = addNode();
    Node b = addNode();
    std::shared_ptr<clsSocket> toB;
    std::shared_ptr<clsSocket> atB;
};

TEST_F(SendPipelineTest, ABarePacketGetsTheDefaultsInOrderAndIsFlooded) {
    const clsPacket& received = sendToB(packet("MSG"));
    EXPECT_EQ(getText(received, "ID").size(), 32U);
    Fields expected = defaults(received);
    expected.push_back("Route: " + a.session->nodeID);
    EXPECT_EQ(fieldTexts(received), expected);
    EXPECT_EQ(received.Data, "");
    EXPECT_EQ(arrivals.back().connection, atB);
    // Own packets come back as duplicates unless the node sees itself.
    EXPECT_TRUE(a.session->packetIDs.contains(a.session->nodeID, getText(received, "ID")));
    a.session->seeSelf = true;
    EXPECT_FALSE(
        a.session->packetIDs.contains(a.session->nodeID, getText(sendToB(packet("MSG")), "ID")));
}

TEST_F(SendPipelineTest, WritesTheHeaderOfEachShapeInOrder) {
    const std::string body(300, 'x');
    const std::string bID = b.session->nodeID;
    typNodeEntry knownB;
    knownB.ID = bID;
    knownB.encryptionKey = "BKEY";
    const auto xorWith = [](const std::string& key) {
        return [key](std::string data) {
            EXPECT_TRUE(encryptData(data, key));
            return data;
        };
    };
    const auto inflate = [&](std::string data) {
        EXPECT_TRUE(decompressData(data, static_cast<int64_t>(body.size())));
        return data;
    };
    const auto toB = [&](Session&, clsPacket& p) { AddField(p, "Destination", bID); };
    struct Shape {
        const char* name;
        std::function<void(Session&, clsPacket&)> setUp;
        // The fields after the caller's "Type" and the defaults, before "Route";
        // "*" stands for the compressed length.
        Fields transformFields;
        std::function<std::string(std::string)> decode;  // B's body back to what was sent
        bool reportsError = false;
    };
    const std::vector<Shape> shapes = {
        {"plain", [](Session&, clsPacket&) {}, {"Content-Length: 300"}, nullptr},
        {"network password",
         [](Session& s, clsPacket&) { s.useEnc = true; },
         {"Flags: NE", "Content-Length: 300"},
         xorWith("nominal")},
        {"destination's key",
         [&](Session& s, clsPacket& p) {
             s.useEnc = true;
             s.nodeTable.push_back(knownB);
             toB(s, p);
         },
         {"Flags: KE", "Content-Length: 300"},
         xorWith("BKEY")},
        {"empty password: left plain",
         [](Session& s, clsPacket&) {
             s.useEnc = true;
             s.netPass.clear();
         },
         {"Content-Length: 300"},
         nullptr,
         true},
        {"compressed",
         [](Session& s, clsPacket&) { s.useComp = true; },
         {"Flags: Z", "Original-Length: 300", "Content-Length: *"},
         inflate},
        {"encrypted, then compressed",
         [](Session& s, clsPacket&) { s.useEnc = s.useComp = true; },
         {"Flags: NE,Z", "Original-Length: 300", "Content-Length: *"},
         [&](std::string data) { return xorWith("nominal")(inflate(std::move(data))); }},
        {"confirmation",
         [&](Session& s, clsPacket& p) {
             s.confirmMode = true;
             toB(s, p);
         },
         {"Content-Length: 300", "Flags: C"},
         nullptr},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        Session& s = *a.session;
        s.useEnc = s.useComp = s.confirmMode = false;
        s.netPass = "nominal";
        s.nodeTable.resize(1);
        a.events->errors.clear();
        clsPacket p = packet("MSG", body);
        AddField(p, "Type", "chat");
        shape.setUp(s, p);
        const bool toNode = !getText(p, "Destination").empty();
        const clsPacket& received = sendToB(p);

        Fields expected = {"Type: chat"};
        if (toNode) {
            expected.push_back("Destination: " + bID);  // the caller's, in its place
        }
        const Fields filled = defaults(received);
        expected.insert(expected.end(), filled.begin() + (toNode ? 1 : 0), filled.end());
        for (const std::string& field : shape.transformFields) {
            expected.push_back(field != "Content-Length: *"
                                   ? field
                                   : "Content-Length: " + std::to_string(received.Data.size()));
        }
        expected.push_back("Route: " + s.nodeID);
        EXPECT_EQ(fieldTexts(received), expected);
        EXPECT_EQ(shape.decode ? shape.decode(received.Data) : received.Data, body);
        EXPECT_EQ(a.events->errors.size(), shape.reportsError ? 1U : 0U);
        library().pendingTable = {};
    }
}

TEST_F(SendPipelineTest, ChangesTheCallersFieldsInTheirPlaces) {
    Session& s = *a.session;
    s.useComp = true;
    s.confirmMode = true;
    clsPacket p = packet("MSG", std::string(300, 'x'));
    AddField(p, "Flags", "RF");
    AddField(p, "Route", ",X,,Y");
    AddField(p, "Destination", b.session->nodeID);
    AddField(p, "TTL", "");
    const clsPacket& received = sendToB(p);
    const Fields expected = {"Flags: RF,Z,C",
                             "Route: X,Y," + s.nodeID,
                             "Destination: " + b.session->nodeID,
                             "TTL: 20",
                             "Source: " + s.nodeID,
                             "Hops: 0",
                             "ID: " + getText(received, "ID"),
                             "Original-Length: 300",
                             "Content-Length: " + std::to_string(received.Data.size())};
    EXPECT_EQ(fieldTexts(received), expected);

    // Without routes, a packet gets no route of its own.
    s.confirmMode = s.useComp = false;
    s.routesEnabled = false;
    EXPECT_EQ(getText(sendToB(packet("MSG")), "Route"), "");
}

TEST_F(SendPipelineTest, SendsOnTheForcedConnectionTheFirstHopOrEveryConnectionOfTheNode) {
    const Node c = addNode();
    const auto [toC, atC] = link(a, c);
    const auto [cToB, bFromC] = link(c, b);  // not A's: A never floods on it
    const auto arrivedAt = [&](const Node& node, const std::string& method) {
        return arrivalsAt(node, method).size();
    };
    switchSession(a.session);
    clsPacket flood = packet("FLOOD");
    sendPacket(flood);
    ASSERT_TRUE(waitFor([&] { return arrivedAt(b, "FLOOD") == 1 && arrivedAt(c, "FLOOD") == 1; }));

    clsPacket forced = packet("FORCED");
    sendPacket(forced, nullptr, toC);
    toB->remoteNodeID = b.session->nodeID;
    clsPacket routed = packet("ROUTED");
    AddField(routed, "Destination", b.session->nodeID);
    sendPacket(routed);
    // A forwarded copy goes everywhere but where it came from, route or not.
    clsPacket forwarded = packet("FORWARDED");
    AddField(forwarded, "Destination", b.session->nodeID);
    sendPacket(forwarded, toB);
    clsPacket last = packet("LAST");
    sendPacket(last);
    ASSERT_TRUE(waitFor([&] { return arrivedAt(b, "LAST") == 1 && arrivedAt(c, "LAST") == 1; }));
    EXPECT_EQ(arrivedAt(c, "FORCED"), 1U);
    EXPECT_EQ(arrivedAt(b, "FORCED"), 0U);
    EXPECT_EQ(arrivedAt(b, "ROUTED"), 1U);
    EXPECT_EQ(arrivedAt(c, "ROUTED"), 0U);
    EXPECT_EQ(arrivedAt(c, "FORWARDED"), 1U);
    EXPECT_EQ(arrivedAt(b, "FORWARDED"), 0U);
    EXPECT_TRUE(arrivalsAt(a, "FLOOD").empty());
    EXPECT_EQ(library().counters.OutPacketCount, 5);
}

// A caller that gives its packet up and fills the same packet again while
// the first is still queued (bodies far larger than a write takes at once)
// changes nothing of what is on its way: each body arrives as it was sent.
TEST_F(SendPipelineTest, APacketGivenUpAndReusedLeavesTheQueuedOnesWhole) {
    constexpr size_t BodyBytes = 4 << 20;
    constexpr int Packets = 4;
    switchSession(a.session);
    // A method whose bodies may be this long (listings).
    clsPacket reused = packet("CONTENTS");
    for (int i = 0; i < Packets; ++i) {
        reused.Data.assign(BodyBytes, static_cast<char>('a' + i));
        sendPacket(std::move(reused), nullptr, toB);
        EXPECT_TRUE(reused.Data.empty());
        reused.Fields.clear();  // the same packet, filled afresh
    }
    ASSERT_TRUE(waitFor([&] { return arrivalsAt(b, "CONTENTS").size() == Packets; }));
    const auto bodies = arrivalsAt(b, "CONTENTS");
    for (int i = 0; i < Packets; ++i) {
        EXPECT_TRUE(bodies[i]->packet.Data == std::string(BodyBytes, static_cast<char>('a' + i)))
            << "packet " << i;
    }
}

TEST_F(SendPipelineTest, AForwarderAddsOnlyTransformsThatStayDecodableAndNeverConfirmation) {
    const Node c = addNode();
    const auto [toC, atC] = link(a, c);
    Session& s = *a.session;
    s.useEnc = s.useComp = s.confirmMode = true;
    const std::string body(200, 'y');
    std::string zipped = body;
    ASSERT_TRUE(compressData(zipped, 9));
    // Copies of packets that came to A from B, on their way to C.
    const auto forward = [&](const std::string& flags, const std::string& data) {
        clsPacket copy = packet("MSG", data);
        AddField(copy, "Destination", c.session->nodeID);
        if (!flags.empty()) {
            AddField(copy, "Flags", flags);
            AddField(copy, "Original-Length", "200");
        }
        AddField(copy, "Source", b.session->nodeID);
        AddField(copy, "ID", newID());
        AddField(copy, "Route", b.session->nodeID);
        const size_t before = arrivalsAt(c, "MSG").size();
        switchSession(a.session);
        sendPacket(copy, toB);
        EXPECT_TRUE(waitFor([&] { return arrivalsAt(c, "MSG").size() > before; }));
        return arrivalsAt(c, "MSG").back()->packet;
    };
    const clsPacket compressed = forward("Z,C", zipped);
    EXPECT_EQ(getText(compressed, "Flags"), "Z,C");  // no XOR over Z, no second C
    EXPECT_EQ(compressed.Data, zipped);
    EXPECT_EQ(getText(compressed, "Route"), b.session->nodeID + "," + s.nodeID);

    const clsPacket plain = forward("", body);
    EXPECT_EQ(getText(plain, "Flags"), "NE,Z");
    EXPECT_TRUE(library().pendingTable.empty());
    EXPECT_TRUE(arrivalsAt(b, "MSG").empty());
}

}  // namespace
}  // namespace qel::test
