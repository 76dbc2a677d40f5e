#include "node_fixture.h"

#include "platform/files.h"
#include "platform/identity.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <regex>

namespace qel::test {
namespace {

using tornel::test::TempFolder;

class NodeLifecycleTest : public NodesTest {
  protected:
    // A node initialised as Alice with nothing else given.
    TestNode& alice() {
        TestNode& added = nodes.emplace_back();
        added->Initialise("Alice");
        return added;
    }
};

TEST_F(NodeLifecycleTest, InitialiseGivesEveryDefault) {
    TestNode& a = alice();
    TestNode& second = nodes.emplace_back();
    EXPECT_EQ(a->sessionIndex(), 1);
    EXPECT_EQ(second->sessionIndex(), 2);

    const Session& s = *a.session();
    EXPECT_EQ(s.nodeName, "Alice");
    EXPECT_EQ(s.listenPort, 0);
    EXPECT_EQ(s.Role, role_Peer);
    EXPECT_EQ(s.Descriptor, "");
    EXPECT_EQ(s.Timeout, 1500);
    EXPECT_EQ(s.TTL, 20);
    EXPECT_EQ(s.rpcTimeout, 10000);
    EXPECT_EQ(s.filePacket, 262144);
    EXPECT_EQ(s.maxRoutes, 10);
    EXPECT_TRUE(s.routesEnabled);
    EXPECT_EQ(s.routes.size(), 11U);
    EXPECT_EQ(s.packetIDs.capacity(), 50);
    EXPECT_EQ(s.confirmTimeout, 10000);
    EXPECT_EQ(s.confirmRetry, 2);
    EXPECT_EQ(s.netPass, "nominal");
    EXPECT_TRUE(s.announceSelf);
    EXPECT_FALSE(s.useEnc || s.useComp || s.seeSelf || s.confirmMode || s.routeFiles || s.sharing ||
                 s.nodeInfoAsync || s.listening || s.connected);
    const std::regex id("[0-9A-F]{32}");
    EXPECT_TRUE(std::regex_match(s.nodeID, id));
    EXPECT_TRUE(std::regex_match(s.encryptionKey, id));
    EXPECT_NE(s.nodeID, s.encryptionKey);

    // The signed-in user, whole, with an account in the user store.
    EXPECT_EQ(s.activeUser, platform::userName());
    if (!s.activeUser.empty()) {
        EXPECT_EQ(std::get<std::string>(
                      s.userStore->GetSetting("Password", std::string("?"), s.activeUser)),
                  "");
    }
}

TEST_F(NodeLifecycleTest, AdvancedSettingsAreReadInTheirOrderAndStopAtABadValue) {
    TestNode& a = nodes.emplace_back();
    a->Initialise("A", 0, role_Peer, {}, {},
                  advancedSettings({{"netPass", ""}, {"filePacket", "64"}, {"maxRoutes", "30"}}));
    const SessionPtr s = a.session();
    EXPECT_EQ(s->netPass, "nominal");  // empty after the settings: the default password
    EXPECT_EQ(s->filePacket, 65536);
    EXPECT_EQ(s->maxRoutes, 30);
    EXPECT_EQ(s->routes.size(), 31U);

    // Later settings: an absent filePacket is the library's again; the
    // table keeps its size until the next Initialise.
    a->setAdvanced(advancedSettings({{"netPass", ""}, {"maxRoutes", "3"}}));
    EXPECT_EQ(s->netPass, "");
    EXPECT_EQ(s->filePacket, 262144);
    EXPECT_EQ(s->maxRoutes, 3);
    EXPECT_EQ(s->routes.size(), 31U);
    EXPECT_TRUE(s->routesEnabled);
    EXPECT_TRUE(a.events->errors.empty());

    // A value that does not read, or lies outside its range, is reported and
    // ends the reading at its key.
    struct Case {
        std::vector<std::pair<std::string, std::string>> settings;
        std::string error;
    };
    const Case cases[] = {
        {{{"nodeID", "N1"}, {"Timeout", "soon"}, {"TTL", "5"}},
         "Error 13: Type mismatch [setAdvanced]"},
        {{{"nodeID", "N2"}, {"useEnc", "yes"}, {"filePacket", "8"}},
         "Error 13: Type mismatch [setAdvanced]"},
        {{{"nodeID", "N3"}, {"Timeout", "-1"}, {"TTL", "5"}},
         "Error 380: Invalid property value [setAdvanced]"},
        {{{"nodeID", "N4"}, {"maxRoutes", "-1"}, {"filePacket", "8"}},
         "Error 380: Invalid property value [setAdvanced]"},
        {{{"nodeID", "N5"}, {"maxRoutes", "40000"}, {"filePacket", "8"}},
         "Error 6: Overflow [setAdvanced]"},
        {{{"nodeID", "N8"}, {"packetCache", "0"}},
         "Error 380: Invalid property value [setAdvanced]"},
    };
    for (const Case& c : cases) {
        a.events->errors.clear();
        const int32_t ttl = s->TTL;
        const int64_t filePacket = s->filePacket;
        const int32_t packetCache = library().packetCache;
        a->setAdvanced(advancedSettings(c.settings));
        EXPECT_EQ(a.events->errors, std::vector<std::string>{c.error}) << c.settings[1].first;
        EXPECT_EQ(s->nodeID, c.settings[0].second);
        EXPECT_EQ(s->TTL, ttl);
        EXPECT_EQ(s->filePacket, filePacket);
        EXPECT_EQ(library().packetCache, packetCache);
    }

    // A chunk size is clamped to 1 KiB..16 MiB; 0 or less is the default.
    a.events->errors.clear();
    const std::pair<const char*, int64_t> chunkSizes[] = {
        {"0", 262144}, {"-5", 262144}, {"1", 1024}, {"99999999", 16777216}};
    for (const auto& [kib, bytes] : chunkSizes) {
        a->setAdvanced(advancedSettings({{"nodeID", "N8"}, {"filePacket", kib}}));
        EXPECT_EQ(s->filePacket, bytes) << kib;
    }
    EXPECT_TRUE(a.events->errors.empty());

    // Nothing to read changes nothing and reports nothing.
    a.events->errors.clear();
    a->setAdvanced("");
    a->setAdvanced("<Settings><Common><TTL>5");
    EXPECT_TRUE(a.events->errors.empty());
    EXPECT_EQ(s->nodeID, "N8");
}

TEST_F(NodeLifecycleTest, ConfirmationModeFromTheSettingsStartsTheResendTimer) {
    TestNode& a = alice();
    EXPECT_FALSE(library().timers->confirmation.enabled());
    a->setAdvanced(advancedSettings({{"confirmMode", "True"}}));
    EXPECT_TRUE(library().timers->confirmation.enabled());
    a->setAdvanced(advancedSettings({{"confirmMode", "False"}}));
    EXPECT_FALSE(library().timers->confirmation.enabled());
}

TEST_F(NodeLifecycleTest, SharedFoldersAreNamedAfterTheirLastComponent) {
    TempFolder temp;
    ASSERT_EQ(platform::createFolder(temp.file("Music")), 0);
    ASSERT_EQ(platform::createFolder(temp.file("Photos")), 0);
    ASSERT_EQ(platform::createFolder(temp.file("back\\slash")), 0);
    tornel::test::writeFile(temp.file("plain.txt"), "x");

    TestNode& a = nodes.emplace_back();
    a->Initialise("A", 0, role_Peer, {}, temp.file("Music") + "/");
    const SessionPtr s = a.session();
    ASSERT_EQ(s->shares.size(), 1U);
    EXPECT_EQ(s->shares[0].localPath, temp.file("Music"));
    EXPECT_EQ(s->shares[0].shareName, "Music");
    EXPECT_TRUE(s->sharing);

    std::string photos = temp.file("Photos") + "/";
    a->shareFolder(photos);
    EXPECT_EQ(photos, temp.file("Photos"));  // the caller's variable too
    std::string missing = temp.file("missing");
    std::string file = temp.file("plain.txt");
    std::string blank = "  ";
    a->shareFolder(missing);
    a->shareFolder(file);
    a->shareFolder(blank);
    std::string root = "/";
    a->shareFolder(root);
    EXPECT_EQ(root, "/");
    ASSERT_EQ(s->shares.size(), 3U);
    EXPECT_EQ(s->shares[1].shareName, "Photos");
    EXPECT_EQ(s->shares[2].localPath, "/");
    EXPECT_EQ(s->shares[2].shareName, "Root");
    EXPECT_TRUE(a.events->errors.empty());

    // A name that cannot travel in a wire path is refused.
    std::string slashed = temp.file("back\\slash");
    a->shareFolder(slashed);
    EXPECT_EQ(s->shares.size(), 3U);
    EXPECT_EQ(a.events->errors,
              std::vector<std::string>{"Error 52: Bad file name or number [shareFolder]"});

    a->stopSharing();
    EXPECT_FALSE(s->sharing);
    EXPECT_EQ(s->shares.size(), 1U);
    EXPECT_EQ(s->shares[0].shareName, "");
}

TEST_F(NodeLifecycleTest, ListenUsesTheListenPortUnlessGivenOne) {
    TestNode& a = addNode("A");
    const SessionPtr s = a.session();
    EXPECT_TRUE(s->listening);
    EXPECT_FALSE(a->Listen());  // the listen port again
    EXPECT_EQ(a.events->errors,
              std::vector<std::string>{"Error -2147221501: Listen port already in use"});

    const int other = tornel::test::freePort();
    EXPECT_TRUE(a->Listen(other));
    EXPECT_EQ(s->listenPort, a.port);  // still the advertised one

    EXPECT_TRUE(a->stopListening());
    EXPECT_FALSE(s->listening);
    TestNode& b = addNode("B");
    EXPECT_EQ(b->Connect(a.address()), "");
    EXPECT_TRUE(a->Listen());
    EXPECT_NE(b->Connect(a.address()), "");

    // Listening again on another port makes it the one the node announces.
    EXPECT_TRUE(a->stopListening());
    const int moved = tornel::test::freePort();
    EXPECT_TRUE(a->Listen(moved));
    EXPECT_EQ(s->listenPort, moved);
    TestNode& c = addNode("C");
    EXPECT_NE(c->Connect("127.0.0.1:" + std::to_string(moved)), "");
    const std::vector<typNodeInfo> seen = c->getNodeInfo(a.id, false);
    ASSERT_EQ(seen.size(), 1U);
    EXPECT_TRUE(seen[0].Address.ends_with(":" + std::to_string(moved))) << seen[0].Address;
}

TEST_F(NodeLifecycleTest, ShutDownRenumbersTheOthersAndLeavesTheNodeInert) {
    TestNode& a = alice();
    TestNode& b = nodes.emplace_back();
    TestNode& c = nodes.emplace_back();
    b->Initialise("B");
    c->Initialise("C");
    a->shutDown();
    EXPECT_EQ(a->sessionIndex(), -1);
    EXPECT_EQ(b->sessionIndex(), 1);
    EXPECT_EQ(c->sessionIndex(), 2);
    EXPECT_EQ(library().sessions.count(), 2);
    a->shutDown();  // nothing more to do
    EXPECT_EQ(library().sessions.count(), 2);

    // Every call of a node that has gone gives its default; the failed switch
    // is reported to the node current at the time.
    {
        CurrentSessionGuard restore;
        switchSession(b.session());
        EXPECT_FALSE(a->Listen(tornel::test::freePort()));
        EXPECT_EQ(a->Ping("X", 10), -1);
        EXPECT_EQ(a->Connect("127.0.0.1:1"), "");
        EXPECT_TRUE(a->getNodeInfo().empty());
        EXPECT_EQ(a->makeRange(), nullptr);
        EXPECT_EQ(b.events->errors.size(), 5U);
        EXPECT_EQ(b.events->errors[0],
                  "Error -2147221502: Cannot switch to session. Invalid session index: -1");
        EXPECT_EQ(currentSession(), b.session());  // and the current node stays current
    }
    b->setName("B2");
    EXPECT_EQ(b.session()->nodeName, "B2");
    EXPECT_EQ(c.session()->nodeName, "C");
}

TEST_F(NodeLifecycleTest, OperationsRestoreTheCurrentNodeAndMakeRangeHoldsItsValues) {
    TestNode& a = alice();
    TestNode& b = nodes.emplace_back();
    CurrentSessionGuard restore;
    switchSession(b.session());
    a->setName("Alicia");
    a->Ping("nobody", 0);
    EXPECT_EQ(currentSession(), b.session());
    EXPECT_EQ(a.events->errors.size(), 1U);  // on A, not on the current B
    EXPECT_TRUE(b.events->errors.empty());

    const std::shared_ptr<cXRange> none = a->makeRange();
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->lngStart, -1);
    EXPECT_EQ(none->lngEnd, -1);
    EXPECT_EQ(none->lngLen, -1);
    const std::shared_ptr<cXRange> range = a->makeRange(0, 9, 10);
    EXPECT_EQ(range->lngEnd, 9);
    EXPECT_EQ(range->lngLen, 10);
}

}  // namespace
}  // namespace qel::test
