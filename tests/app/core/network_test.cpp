#include "app_fixture.h"
#include "core/network/connections.h"
#include "core/network/controller.h"
#include "core/network/node_bring_up.h"
#include "core/network/peer_link.h"
#include "core/network/users_search.h"
#include "core/settings/apply_settings.h"
#include "core/settings/settings_entries.h"
#include "core/update/self_update.h"
#include "core/util/utilities.h"
#include "fake_chat.h"
#include "platform/event_loop.h"
#include "qellib/qel.h"
#include "qellib/rpc.h"
#include "qellib/settings.h"
#include "support/file_contents.h"
#include "support/free_port.h"
#include "support/peer_node.h"
#include "support/wait.h"
#include "version.h"

#include <QObject>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>

namespace tornel {
namespace {

using test::FakeChat;
using test::waitUntil;

// The node at the other end: it counts its connections.
class PeerEvents : public qel::cQELEvents {
  public:
    void connectionEstab(std::string&, qel::enmConMode&, std::string& connectionID) override {
        established.push_back(connectionID);
    }
    std::vector<std::string> established;
};

struct Peer {
    std::shared_ptr<PeerEvents> events = std::make_shared<PeerEvents>();
    qel::cQEL node{events};
    int port = test::freePort();

    Peer() {
        qel::cSettings settings;
        settings.SaveSetting("nodeID", std::string("PEER-NODE"));
        settings.SaveSetting("Timeout", int64_t{300});
        node.Initialise("Peer", port, qel::role_Peer, "PEER", "", settings.getXML());
        node.Listen();
    }
    ~Peer() { node.shutDown(); }
    std::string address() const { return "127.0.0.1:" + std::to_string(port); }
};

class NetworkTest : public test::AppFixture {
  protected:
    NetworkTest() {
        state.NodeGUID = GUID();
        state.Name = "Tester";
        state.Timeout = 300;
        state.Port = test::freePort();
    }
    ~NetworkTest() override {
        if (state.qelSession) {
            state.qelSession->shutDown();
        }
    }

    void bringUp() {
        initNetwork(state);
        shareFolders(state);
        connectTo(state);
    }
};

TEST_F(NetworkTest, BringUpAgainstAPeerNode) {
    Peer peer;
    ::mkdir(file("shared").c_str(), 0700);
    state.sharedFolders.add(file("shared"), file("shared"));
    state.serverList.add(peer.address(), peer.address());
    state.FileChunk = 16;
    bringUp();
    EXPECT_EQ(shell->calls, std::vector<std::string>{"setConnectionLabel Connecting..."});
    EXPECT_FALSE(state.connecting);
    ASSERT_TRUE(state.controller && state.controller->QEL == state.qelSession);
    EXPECT_TRUE(state.controller->Update && state.controller->authGiven && state.controller->Push &&
                state.controller->userTyping);

    ASSERT_TRUE(waitUntil([&] { return peer.events->established.size() == 1; }));
    std::vector<qel::typNodeInfo> info;
    ASSERT_TRUE(waitUntil([&] {
        info = peer.node.getNodeInfo(state.NodeGUID, true);
        return !info.empty() && !info[0].ID.empty();
    }));
    EXPECT_EQ(info[0].ID, state.NodeGUID);
    EXPECT_EQ(info[0].Name, "Tester");
    EXPECT_EQ(info[0].Descriptor, "TORNEL_NODE");
    EXPECT_TRUE(info[0].sharingFiles);

    // The server connection is kept: closed by the peer, it comes back.
    EXPECT_TRUE(peer.node.disconnectByID(peer.events->established[0]));
    EXPECT_TRUE(waitUntil([&] { return peer.events->established.size() == 2; }));
    EXPECT_EQ(logText(), "");
}

// Answers to the calls a peer makes, by procedure name.
class Answers : public qel::cQELRPCEvents {
  public:
    void RemoteProcReturn(std::string& ProcName, qel::Variant& Params, std::string&,
                          std::string&) override {
        const auto* text = std::get_if<std::string>(&Params);
        received[ProcName] = text != nullptr ? *text : "(not text)";
    }
    std::map<std::string, std::string> received;
};

TEST_F(NetworkTest, ProceduresAreBoundBeforeTheNodeStarts) {
    Peer peer;
    state.serverList.add(peer.address(), peer.address());
    bringUp();
    // "GetEXE" sends the program file back: a small one keeps the answers quick.
    state.controller->selfUpdate->setup().executable = file("Tornel");
    test::writeFile(file("Tornel"), "image");
    ASSERT_TRUE(waitUntil([&] {
        const auto info = peer.node.getNodeInfo(state.NodeGUID, true);
        return !info.empty() && !info[0].ID.empty();
    }));
    auto answers = std::make_shared<Answers>();
    const auto caller = peer.node.newRPCInstance(answers);
    for (const char* name : {"GetVersion", "GetEXE", "AuthGiven", "Push", "UserTyping", "Other"}) {
        caller->bindRPC(name, qel::RPC_RETURN);
        EXPECT_NE(caller->callRemoteProc(state.NodeGUID, name), "-1") << name;
    }
    // An unbound name is answered at once, "GetVersion" by the self-update;
    // the other bound ones wait for their handlers.
    ASSERT_TRUE(waitUntil([&] { return answers->received.contains("Other"); }));
    // The program answers a ping only once the calls before it are handled.
    ASSERT_GE(peer.node.Ping(state.NodeGUID, 20000), 0);
    EXPECT_EQ(answers->received,
              (std::map<std::string, std::string>{{"GetVersion", std::to_string(kRevision)},
                                                  {"Other", "RPC_UNBOUND"}}));
}

TEST_F(NetworkTest, AnEmptyServerListOnlyShowsConnectingThenRefreshesARememberedSearch) {
    state.usersRefreshPending = true;
    bringUp();
    EXPECT_EQ(shell->calls,
              (std::vector<std::string>{"setConnectionLabel Connecting...", "exploreShowUsers"}));
    state.NewUI = false;
    shell->calls.clear();
    refreshUserList(state);
    EXPECT_EQ(shell->calls, std::vector<std::string>{"usersWindowShowUsers"});
}

TEST_F(NetworkTest, APortInUseIsLoggedAndStartUpGoesOn) {
    Peer peer;
    state.Port = peer.port;
    bringUp();
    EXPECT_NE(logText().find("[initNetwork] Error 75: TCP port " + std::to_string(peer.port) +
                             " could not be opened\r\n"),
              std::string::npos);
    EXPECT_TRUE(state.qelSession);
    EXPECT_TRUE(state.discovery);
}

// Whether a UDP socket of this process could take `port` now, no other
// socket holding it.
bool udpPortFree(int port) {
    QUdpSocket probe;
    return probe.bind(QHostAddress(QHostAddress::AnyIPv4), static_cast<quint16>(port),
                      QAbstractSocket::DontShareAddress);
}

// Discovery listens on the port after the TCP one: a port changed in the
// settings moves it along at once, not at the next start.
TEST_F(NetworkTest, ANewPortInTheSettingsMovesDiscoveryAlong) {
    bringUp();
    const int before = static_cast<int>(state.Port);
    ASSERT_FALSE(udpPortFree(before + 1));
    int after = test::freePort();
    while (after == before || after + 1 == before || !udpPortFree(after + 1)) {
        after = test::freePort();
    }
    SettingsEntries entries = entriesOf(state);
    entries.Port = std::to_string(after);
    const auto result = confirmEntries(entries);
    ASSERT_TRUE(std::holds_alternative<ConfirmedSettings>(result));
    applySettings(state, std::get<ConfirmedSettings>(result));

    EXPECT_FALSE(udpPortFree(after + 1));
    EXPECT_TRUE(udpPortFree(before + 1));
    EXPECT_EQ(logText(), "");
    // Applying the same port again keeps the socket it has.
    applySettings(state, std::get<ConfirmedSettings>(result));
    EXPECT_FALSE(udpPortFree(after + 1));
    EXPECT_EQ(logText(), "");
}

TEST_F(NetworkTest, WithoutASessionEveryStepIsLogged) {
    shareFolders(state);  // nothing to share: nothing to log
    state.sharedFolders.add("/x", "/x");
    shareFolders(state);
    connectLocal(state);
    EXPECT_EQ(logText(),
              "[shareFolders] Error 91: Object variable or With block variable not set\r\n"
              "[connectLocal] Error 91: Object variable or With block variable not set\r\n");
    EXPECT_EQ(getUserName(state, "X"), "Unknown");
}

TEST_F(NetworkTest, ExploreCheckTruthTable) {
    struct Case {
        bool visible;
        bool force;
        bool searched;
        int64_t users;
        int64_t sinceLast;
        bool due;
    };
    const Case cases[] = {
        {true, false, false, 0, 0, false},     {true, true, false, 0, 0, true},
        {true, true, true, 2, 1000, false},    {false, false, true, 2, 1000, false},
        {false, false, true, 2, 300000, true}, {false, false, true, 0, 1000, true},
        {false, false, false, 2, 1000, true},  {false, true, true, 2, 299999, false},
    };
    platform::ScopedTestClock clock(1000000);
    for (const Case& c : cases) {
        shell->calls.clear();
        shell->exploreVisible = c.visible;
        state.usersSearched = c.searched;
        state.userCount = c.users;
        state.lastUsersRefresh = clock.now() - c.sinceLast;
        EXPECT_EQ(exploreCheck(state, c.force), c.due)
            << c.visible << c.force << c.searched << c.users << " " << c.sinceLast;
        EXPECT_EQ(shell->calls.size(), c.due ? 1U : 0U);
    }
}

TEST_F(NetworkTest, LinkCheckTellsEachChangeOnce) {
    Peer peer;
    state.serverList.add(peer.address(), peer.address());
    bringUp();
    ASSERT_TRUE(waitUntil([&] { return !peer.events->established.empty(); }));
    ASSERT_TRUE(waitUntil(
        [&] { return test::knowsNodeOnPort(*state.qelSession, "PEER-NODE", peer.port); }));

    std::vector<std::string> lines;
    FakeChat chat("NOBODY", lines);
    pingUser(state, chat.ref());
    pingUser(state, chat.ref());
    EXPECT_TRUE(chat.pingWarningVisible());
    chat.peer_ = "PEER-NODE";
    pingUser(state, chat.ref());
    pingUser(state, chat.ref());
    EXPECT_FALSE(chat.pingWarningVisible());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "** Tornel is experiencing connection problems with Unknown User. Some "
                         "messages may not be received.",
                         "** Connection problems with Peer have been resolved."}));
}

TEST_F(NetworkTest, ALinkCheckSkipsWhileItWaitsAndLeavesAClosedWindowAlone) {
    Peer peer;
    state.serverList.add(peer.address(), peer.address());
    bringUp();
    ASSERT_TRUE(waitUntil(
        [&] { return test::knowsNodeOnPort(*state.qelSession, "PEER-NODE", peer.port); }));
    std::vector<std::string> lines;
    auto* chat = new FakeChat("PEER-NODE", lines);
    chat->setPingWarningVisible(true);
    const WindowRef<ChatWindow> window = chat->ref();
    bool nestedRan = false;
    QTimer::singleShot(0, [&] {
        pingUser(state, window);  // the same window's check is still waiting: skipped
        nestedRan = true;
        delete chat;
    });
    pingUser(state, window);
    EXPECT_TRUE(nestedRan);
    EXPECT_FALSE(window);
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(state.pingsRunning.empty());
}

TEST_F(NetworkTest, UpdateUserInfoRenamesEveryGrantOfTheNode) {
    const auto add = [this](std::string id, std::string name, bool always) {
        state.allowedIDs.add(
            std::make_shared<cAllowedID>(cAllowedID{std::move(id), 5, always, std::move(name)}));
    };
    add("A", "", false);
    add("B", "bee", true);
    add("A", "old", true);
    qel::typNodeInfo record;
    record.ID = "A";
    record.Name = "new";
    updateUserInfo(state, record);
    record.ID.clear();
    record.Name = "nobody";
    updateUserInfo(state, record);
    EXPECT_EQ(state.allowedIDs.item(1)->Name, "new");
    EXPECT_EQ(state.allowedIDs.item(2)->Name, "bee");
    EXPECT_EQ(state.allowedIDs.item(3)->Name, "new");
}

}  // namespace
}  // namespace tornel
