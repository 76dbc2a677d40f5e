#include "pipeline_fixture.h"

#include "identifiers.h"
#include "input_limits.h"
#include "lookups.h"
#include "node_info.h"
#include "transforms.h"

#include "platform/event_loop.h"
#include "qellib/settings.h"

#include <gtest/gtest.h>

#include <utility>

#include <malloc.h>

namespace qel::test {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

std::vector<std::string> idsOf(const std::vector<typNodeInfo>& infos) {
    std::vector<std::string> ids;
    for (const typNodeInfo& info : infos) {
        ids.push_back(info.ID);
    }
    return ids;
}

TEST_F(PipelineTest, ANodeAnnouncesItselfFirstOnItsOwnOutgoingConnections) {
    Node a = addPipelineNode("A");
    Node b = addPipelineNode("B");
    Session& own = *a.session;
    own.announceSelf = true;
    own.Role = role_Server;
    own.Descriptor = "TORNEL_NODE";
    own.sharing = true;
    own.activeUser = "alice";
    b.session->announceSelf = true;  // an accepted connection announces nothing
    const auto [out, in] = link(a, b);
    ASSERT_TRUE(waitFor([&] { return findNodeInfo(*b.session, own.nodeID) >= 0; }));

    const Arrival* first = nullptr;
    for (const Arrival& arrival : arrivals) {
        if (arrival.connection == in) {
            first = first != nullptr ? first : &arrival;
        }
    }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->packet.Method, "INFO");
    EXPECT_EQ(getText(first->packet, "Destination"), "BROADCAST");
    EXPECT_EQ(getText(first->packet, "Hops"), "0");
    const std::string advertised = library().localAddress + ":" + std::to_string(own.listenPort);
    EXPECT_EQ(first->packet.Data,
              "<Settings>\r\n  <Common>\r\n    <Name>A</Name>\r\n"
              "    <Role>2</Role>\r\n    <Descriptor>TORNEL_NODE</Descriptor>\r\n"
              "    <Encryption-Key>" +
                  own.encryptionKey + "</Encryption-Key>\r\n    <Address>" + advertised +
                  "</Address>\r\n    <Sharing-Files>True</Sharing-Files>\r\n"
                  "    <Active-User>alice</Active-User>\r\n  </Common>\r\n"
                  "</Settings>");

    const typNodeEntry& atB =
        b.session->nodeTable[static_cast<size_t>(findNodeInfo(*b.session, own.nodeID))];
    const std::string direct = "127.0.0.1:" + std::to_string(own.listenPort);
    EXPECT_EQ(atB.Name, "A");
    EXPECT_EQ(atB.Role, role_Server);
    EXPECT_EQ(atB.Descriptor, "TORNEL_NODE");
    EXPECT_EQ(atB.encryptionKey, own.encryptionKey);
    EXPECT_TRUE(atB.sharingFiles);
    EXPECT_EQ(atB.activeUser, "alice");
    EXPECT_TRUE(atB.directConn);
    EXPECT_EQ(atB.Address, direct);
    EXPECT_EQ(in->remoteNodeID, own.nodeID);
    EXPECT_EQ(in->Address, direct);
    EXPECT_GE(findCachedNodeInfo(own.nodeID), 0);

    settle(b, a);
    EXPECT_TRUE(arrivalsAt(a, "INFO").empty());
}

TEST_F(ChainTest, AWhoisIsAnsweredByAnInfoFromNearAndFar) {
    const std::string cID = c.session->nodeID;
    const std::string advertised =
        library().localAddress + ":" + std::to_string(c.session->listenPort);
    switchSession(a.session);
    const std::vector<typNodeInfo> far = getNodeInfo(cID, false, false);
    ASSERT_EQ(idsOf(far), std::vector<std::string>{cID});
    EXPECT_EQ(far[0].Name, "C");
    EXPECT_EQ(far[0].Role, role_Peer);
    EXPECT_FALSE(far[0].directConn);
    EXPECT_EQ(far[0].Address, advertised);
    EXPECT_EQ(a.session->nodeTable.front().ID, cID);

    // B is next to C: its own connection learns C, and keeps the address it
    // was opened to, though C advertises another port.
    const std::string opened = bToC->Address;
    switchSession(b.session);
    const typNodeInfo near = getNodeInfo(cID, false, false).front();
    EXPECT_TRUE(near.directConn);
    EXPECT_EQ(near.Address, "127.0.0.1:" + std::to_string(c.session->listenPort));
    EXPECT_EQ(bToC->remoteNodeID, cID);
    EXPECT_EQ(bToC->Address, opened);
    EXPECT_NE(opened, near.Address);

    // Known nodes are answered at once, without asking.
    c.session->nodeName = "renamed";
    switchSession(a.session);
    EXPECT_EQ(getNodeInfo(cID, true, false).front().Name, "C");
    EXPECT_EQ(getNodeAddress(cID), advertised);

    a.session->Timeout = 200;
    const int64_t asked = platform::tickCount();
    const std::vector<typNodeInfo> silent = getNodeInfo(newID(), false, false);
    EXPECT_GE(platform::tickCount() - asked, 200);
    EXPECT_EQ(idsOf(silent), std::vector<std::string>{""});
}

TEST_F(ChainTest, ABroadcastQueryGivesTheAnswersInOrderOrRaisesThemAsEvents) {
    const std::vector<std::string> answerers = {b.session->nodeID, c.session->nodeID};
    a.session->Timeout = 300;
    switchSession(a.session);
    EXPECT_EQ(idsOf(getNodeInfo("BROADCAST", false, false)), answerers);
    EXPECT_FALSE(a.session->nodeInfoAsync);

    EXPECT_EQ(idsOf(getNodeInfo("BROADCAST", false, true)), std::vector<std::string>{""});
    EXPECT_TRUE(a.session->nodeInfoAsync);
    ASSERT_TRUE(waitFor([&] { return eventsOf(a).infos.size() == 2; }));
    EXPECT_EQ(idsOf(eventsOf(a).infos), answerers);
    EXPECT_EQ(eventsOf(a).infos[1].Name, "C");
    ASSERT_EQ(a.session->nodeTable.size(), 1U);
    EXPECT_EQ(a.session->nodeTable.front().ID, "");
    EXPECT_GE(findCachedNodeInfo(c.session->nodeID), 0);
}

// Descriptions handed to the node directly, as the dispatcher hands them on.
class DescriptionTest : public CoreTest {
  protected:
    static clsPacket info(const Entries& entries) {
        cSettings body;
        for (const auto& [key, value] : entries) {
            body.SaveSetting(key, value);
        }
        clsPacket p;
        p.Method = "INFO";
        p.Data = body.getXML();
        return p;
    }

    const typNodeEntry* stored(const std::string& id) const {
        const int32_t index = findNodeInfo(*node, id);
        return index >= 0 ? &node->nodeTable[static_cast<size_t>(index)] : nullptr;
    }

    SessionPtr node = addNode();
};

TEST_F(DescriptionTest, ADescriptionIsReadWithItsDefaultsOrRefusedWhole) {
    struct Row {
        const char* what;
        Entries entries;
        bool kept;
        enmRole role;
        bool sharing;
    };
    const std::vector<Row> rows = {
        {"defaults", {{"Name", "N"}}, true, role_Peer, false},
        {"given", {{"Role", "3"}, {"Sharing-Files", "True"}}, true, role_Router, true},
        {"role not a number", {{"Name", "N"}, {"Role", "x"}}, false, {}, false},
        {"sharing not a Boolean", {{"Sharing-Files", "maybe"}}, false, {}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        errorsOfNode().clear();
        const std::string id = newID();
        handleInfo(info(row.entries), id, nullptr);
        ASSERT_EQ(stored(id) != nullptr, row.kept);
        EXPECT_EQ(findCachedNodeInfo(id) >= 0, row.kept);
        EXPECT_EQ(errorsOfNode().size(), row.kept ? 0U : 1U);
        if (row.kept) {
            EXPECT_EQ(stored(id)->Role, row.role);
            EXPECT_EQ(stored(id)->sharingFiles, row.sharing);
            EXPECT_FALSE(stored(id)->directConn);
        }
    }

    const std::string again = newID();
    handleInfo(info({{"Name", "first"}}), again, nullptr);
    handleInfo(info({{"Name", "second"}}), again, nullptr);
    EXPECT_EQ(stored(again)->Name, "second");
    EXPECT_EQ(std::count_if(node->nodeTable.begin(), node->nodeTable.end(),
                            [&](const typNodeEntry& e) { return e.ID == again; }),
              1);
}

TEST_F(DescriptionTest, TheNodeTableAndTheNodeCacheKeepTheirBounds) {
    const clsPacket description = info({{"Name", "N"}});
    std::vector<std::string> ids;
    for (int64_t i = 0; i <= limits::MaxNodeTableEntries; ++i) {
        ids.push_back(newID());
        handleInfo(description, ids.back(), nullptr);
        if (ids.size() == 21) {
            // The 21st node fills the cache's last place, past its blank first one.
            EXPECT_EQ(library().nodeCache.size(), 21U);
            EXPECT_EQ(library().nodeCache[20].ID, ids[20]);
            EXPECT_EQ(library().nodeCache[0].ID, ids[0]);
        }
    }
    EXPECT_EQ(node->nodeTable.size(), static_cast<size_t>(limits::MaxNodeTableEntries));
    EXPECT_EQ(node->nodeTable.front().ID, ids.front());
    EXPECT_EQ(stored(ids.back()), nullptr);
    EXPECT_EQ(errorsOfNode().size(), 1U);
    ASSERT_EQ(library().nodeCache.size(), 21U);
    EXPECT_EQ(library().nodeCache[20].ID, ids.back());
    EXPECT_EQ(library().nodeCache[0].ID, ids[ids.size() - 21]);
}

// Small compressed descriptions that inflate to huge names are refused
// before anything is inflated; a long name that arrives is cut.
TEST_F(PairTest, DescriptionsStayWithinTheirMemoryBound) {
    const auto heapInUse = [] { return static_cast<int64_t>(mallinfo2().uordblks); };
    cSettings bomb;
    bomb.SaveSetting("Name", std::string(16 * 1024 * 1024, 'n'));
    std::string body = bomb.getXML();
    const size_t inflated = body.size();
    ASSERT_TRUE(compressData(body, 9));
    const int64_t heapBefore = heapInUse();
    std::vector<std::string> sources;
    for (int i = 0; i < 8; ++i) {
        sources.push_back(newID());
        clsPacket p;
        p.Method = "INFO";
        p.Data = body;
        AddField(p, "Destination", "BROADCAST");
        AddField(p, "Source", sources.back());
        AddField(p, "TTL", "1");
        AddField(p, "Hops", "1");
        AddField(p, "ID", newID());
        AddField(p, "Flags", "Z");
        AddField(p, "Original-Length", std::to_string(inflated));
        AddField(p, "Content-Length", std::to_string(body.size()));
        sendRaw(aToB, p);
    }
    ASSERT_TRUE(waitFor([&] { return eventsOf(b).errors.size() == sources.size(); }));
    for (const std::string& source : sources) {
        EXPECT_LT(findNodeInfo(*b.session, source), 0);
    }
    EXPECT_LT(heapInUse() - heapBefore, int64_t{16} * 1024 * 1024);

    cSettings description;
    description.SaveSetting("Name", std::string(10000, 'x'));
    probe(a, "BROADCAST", description.getXML(), [](clsPacket& p) { p.Method = "INFO"; });
    ASSERT_TRUE(waitFor([&] { return findNodeInfo(*b.session, a.session->nodeID) >= 0; }));
    const typNodeEntry& stored =
        b.session->nodeTable[static_cast<size_t>(findNodeInfo(*b.session, a.session->nodeID))];
    EXPECT_EQ(stored.Name, std::string(limits::MaxDescriptionFieldBytes, 'x'));
}

}  // namespace
}  // namespace qel::test
