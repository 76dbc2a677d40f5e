#include "core/network/controller.h"
#include "app_fixture.h"
#include "core/downloads/download_manager.h"
#include "core/util/utilities.h"
#include "download_fixture.h"
#include "fake_chat.h"
#include "qellib/settings.h"
#include "support/raw_peer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>

namespace tornel {
namespace {

using test::FakeChat;
using test::waitUntil;

// The Explore tree as a list of what was done to it.
class RecordingTree : public ExploreTree {
  public:
    std::vector<std::string> calls;
    void stopRefreshTimer() override { calls.push_back("stop timer"); }
    void clearFileList() override { calls.push_back("clear files"); }
    void clearTree() override { calls.push_back("clear tree"); }
    void addItem(const std::string& parentKey, const std::string& key, const std::string& text,
                 int image, const std::string& tag) override {
        calls.push_back(parentKey + " > " + key + " \"" + text + "\" " + std::to_string(image) +
                        " " + tag);
    }
    void expandItem(const std::string& key) override { calls.push_back("expand " + key); }
};

// A download of 10 bytes from `nodeID` under `reqID`, running into `path`
// (opened, nothing written yet), in the program's list of downloads.
std::shared_ptr<cDownload> runningDownload(AppState& state, const std::string& reqID,
                                           const std::string& nodeID, const std::string& path) {
    auto dl = std::make_shared<cDownload>(state);
    dl->Key = GUID();
    dl->reqID = reqID;
    dl->nodeID = nodeID;
    dl->localPath = path;
    dl->Status = DL_Downloading;
    dl->lngSize = 10;
    dl->lngProgress = -1;
    dl->fileIO = std::make_unique<clsFileIO2>();
    dl->fileIO->openFile(dl->localPath);
    state.downloads.add(dl, dl->Key);
    return dl;
}

class ControllerTest : public test::AppFixture {
  protected:
    ControllerTest() { state.ui.explore = tree; }

    static qel::typNodeInfo node(const std::string& id, const std::string& kind,
                                 bool sharing = true) {
        qel::typNodeInfo n;
        n.ID = id;
        n.Name = "Name of " + id;
        n.Descriptor = kind;
        n.sharingFiles = sharing;
        return n;
    }
    void announce(qel::typNodeInfo n) { controller.nodeInfo(n); }

    std::shared_ptr<RecordingTree> tree = std::make_shared<RecordingTree>();
    cMain controller{state};
};

TEST_F(ControllerTest, NodesAreListedByTheirKind) {
    struct Case {
        const char* kind;
        bool showOther;
        bool listed;
    };
    const Case cases[] = {
        {"TORNEL_NODE", false, true}, {"tornel_node", false, true}, {"KESTO_NODE", false, true},
        {"kesto_node", false, true},  {"OTHER", false, false},      {"OTHER", true, true},
        {"", false, false},
    };
    for (const Case& c : cases) {
        state.users.clear();
        state.ShowOther = c.showOther;
        announce(node("N1", c.kind));
        EXPECT_EQ(state.users.exists("N1"), c.listed) << c.kind << " " << c.showOther;
    }
}

TEST_F(ControllerTest, TheFirstNodeResetsTheTreeAndEachNodeIsListedOnce) {
    announce(node("N1", "TORNEL_NODE"));
    announce(node("N1", "TORNEL_NODE"));
    announce(node("N2", "TORNEL_NODE", false));
    announce(node("", "TORNEL_NODE"));
    EXPECT_EQ(tree->calls, (std::vector<std::string>{
                               "stop timer",
                               "clear files",
                               "clear tree",
                               " > r \"Network\" 5 ",
                               "expand r",
                               "r > user_N1 \"Name of N1\" 4 N1",
                               "user_N1 > ph_N1 \"Loading\" 3 user_root",
                               "stop timer",
                               "r > user_N2 \"Name of N2\" 1 N2",
                           }));
    EXPECT_EQ(state.users.count(), 2u);
    EXPECT_EQ(state.userCount, 2);
    EXPECT_EQ(state.users.item("N1")->Name, "Name of N1");
}

TEST_F(ControllerTest, AfterATimedOutSearchNodesAreNotListedButGrantsStillLearnTheirNames) {
    auto grant = std::make_shared<cAllowedID>();
    grant->id = "N1";
    grant->Name = "Old";
    state.allowedIDs.add(grant, "N1");
    state.searchTimedOut = true;
    announce(node("N1", "TORNEL_NODE"));
    EXPECT_TRUE(state.users.empty());
    EXPECT_TRUE(tree->calls.empty());
    EXPECT_EQ(grant->Name, "Name of N1");
}

TEST_F(ControllerTest, ConnectionsAreKeptByTheirID) {
    std::string address = "127.0.0.1";
    std::string id = "C1";
    std::string node;
    qel::enmConMode mode = qel::mode_Incoming;
    controller.connectionEstab(address, mode, id);
    controller.connectionEstab(address, mode, id);
    EXPECT_EQ(state.connections.count(), 1u);
    EXPECT_EQ(state.connections.item("C1"), "127.0.0.1");
    controller.connectionClosed(address, node, id);
    controller.connectionClosed(address, node, id);
    EXPECT_TRUE(state.connections.empty());
}

// The node raises a cancel of its own (no packet, so no sender) when it
// finds a running download's sender unreachable: the download stops as the
// user's Stop leaves it, not "Cancelled by sender".
TEST_F(ControllerTest, TheNodesReportOfAnUnreachableSenderStopsTheDownloadResumable) {
    std::filesystem::create_directory(file("Files"));
    const auto dl = runningDownload(state, "REQ", "N1", file("Files/a.bin"));
    const auto raise = [&](std::string data, qel::enmFileStatus status) {
        std::string reqID = "REQ";
        std::shared_ptr<qel::cXRange> range;
        qel::Variant metadata = std::string();
        controller.FileReceived(reqID, data, range, status, metadata);
    };
    raise("data", qel::FS_Transferring);  // never data without a sender
    EXPECT_EQ(dl->lngProgress, -1);
    raise("", qel::FS_Canceled);
    EXPECT_EQ(dl->Status, DL_Cancelled);
    EXPECT_EQ(dl->extendedStatus, "");
    EXPECT_FALSE(dl->fileIO->fileOpen());
    EXPECT_NE(logText().find("The sender of a.bin cannot be reached"), std::string::npos);
}

// A chat window already open for the sender.
TEST_F(ControllerTest, ChatTextGoesToThePeersWindowWhichFlashesWhenNotInFront) {
    std::vector<std::string> lines;
    FakeChat chat("N1", lines);
    state.chatWindows.add(chat.ref(), "N1");
    std::string text = "hello";
    std::string type;
    std::string from = "N1";
    controller.MessageReceived(text, type, from);  // no session: the name is "Unknown"
    EXPECT_EQ(lines, std::vector<std::string>{"Unknown: hello (remote)"});
    EXPECT_EQ(chat.flashes, 0);
    chat.minimised = true;
    controller.MessageReceived(text, type, from);
    EXPECT_EQ(chat.flashes, 1);
    chat.minimised = false;
    chat.foreground = false;
    controller.MessageReceived(text, type, from);
    EXPECT_EQ(chat.flashes, 2);
}

// A shell whose newConv opens a recording chat window, or fails to.
class ChatShell : public test::DownloadShell {
  public:
    ChatShell(AppState& state, std::vector<std::string>& lines) : state_(state), lines_(lines) {}
    void newConv(const qel::typNodeInfo& node) override {
        opened.push_back(node.ID + " " + node.Name);
        if (opens) {
            windows.push_back(std::make_unique<FakeChat>(node.ID, lines_));
            state_.chatWindows.add(windows.back()->ref(), node.ID);
        }
    }
    std::vector<std::string> opened;
    std::vector<std::unique_ptr<FakeChat>> windows;
    bool opens = true;

  private:
    AppState& state_;
    std::vector<std::string>& lines_;
};

class ControllerPeerTest : public test::DownloadTest {
  protected:
    ControllerPeerTest() { state.ui.shell = chats; }
    std::vector<std::string> lines;
    std::shared_ptr<ChatShell> chats = std::make_shared<ChatShell>(state, lines);
};

TEST_F(ControllerPeerTest, AMessageFromAPeerWithoutAWindowOpensOneWindowForEveryMessage) {
    peer.sendMessage("hi", state.NodeGUID);
    peer.sendMessage("again", state.NodeGUID);
    ASSERT_TRUE(waitUntil([&] { return lines.size() == 2; }));
    EXPECT_EQ(chats->opened, std::vector<std::string>{"PEER-NODE Peer"});
    EXPECT_EQ(lines, (std::vector<std::string>{"Peer: hi (remote)", "Peer: again (remote)"}));
}

TEST_F(ControllerPeerTest, AMessageIsDroppedWhenNoWindowOpensOrTheNodeDoesNotAnswer) {
    chats->opens = false;
    peer.sendMessage("hi", state.NodeGUID);
    ASSERT_TRUE(waitUntil([&] { return !chats->opened.empty(); }));
    EXPECT_EQ(chats->opened.size(), 1u);
    EXPECT_TRUE(lines.empty());
    EXPECT_NE(logText().find("No chat window could be opened"), std::string::npos);

    std::string text = "hello";
    std::string type;
    std::string nobody = "NOBODY";
    state.controller->MessageReceived(text, type, nobody);
    EXPECT_EQ(chats->opened.size(), 1u);
}

// A stranger's description (INFO) and one chat line (MSG) to the program,
// written from the wire format.
std::string strangerWrites(test::RawPeer& raw, const std::string& stranger,
                           const std::string& programID, const std::string& line) {
    qel::cSettings info;
    info.SaveSetting("Name", "Stranger " + stranger.substr(0, 6));
    info.SaveSetting("Role", int64_t{1});
    info.SaveSetting("Descriptor", std::string("TORNEL_NODE"));
    info.SaveSetting("Encryption-Key", test::RawPeer::newID());
    info.SaveSetting("Address", std::string("127.0.0.1:1"));
    info.SaveSetting("Sharing-Files", false);
    info.SaveSetting("Active-User", std::string());
    return raw.packet("INFO", "BROADCAST", {{"Source", stranger}}, info.getXML()) +
           raw.packet("MSG", programID, {{"Source", stranger}, {"Type", "Chat"}}, line);
}

// Three hundred strangers announce themselves and write a line each: a
// bounded number of chat windows opens, the other lines are dropped with a
// bounded number of log lines, and the program still answers in order.
TEST_F(ControllerPeerTest, LinesFromManyStrangersOpenABoundedNumberOfWindows) {
    test::RawPeer raw;
    ASSERT_TRUE(raw.connect(state.Port));
    std::vector<std::string> strangers;
    const auto pingAnswered = [&raw](const std::string& reqID) {
        return raw.answer("PONG", reqID) != nullptr;
    };
    const auto ping = [&](const std::string& reqID) {
        raw.send(raw.packet("PING", state.NodeGUID, {{"ReqID", reqID}}));
        return waitUntil([&] { return pingAnswered(reqID); }, 30000);
    };
    for (int i = 0; i < 300; ++i) {
        strangers.push_back(test::RawPeer::newID());
        raw.send(
            strangerWrites(raw, strangers.back(), state.NodeGUID, "hello " + std::to_string(i)));
    }
    ASSERT_TRUE(ping(test::RawPeer::newID()));
    EXPECT_EQ(chats->opened.size(), UnsolicitedChats::kMaxNewPerMinute);
    EXPECT_EQ(state.chatWindows.count(), UnsolicitedChats::kMaxNewPerMinute);
    ASSERT_EQ(lines.size(), UnsolicitedChats::kMaxNewPerMinute);
    EXPECT_EQ(lines.front(), "Stranger " + strangers.front().substr(0, 6) + ": hello 0 (remote)");

    // A conversation open already goes on; the log holds a few notes only.
    raw.send(strangerWrites(raw, strangers.front(), state.NodeGUID, "still here"));
    ASSERT_TRUE(ping(test::RawPeer::newID()));
    EXPECT_EQ(lines.back(), "Stranger " + strangers.front().substr(0, 6) + ": still here (remote)");
    const std::string log = logText();
    size_t notes = 0;
    for (size_t at = log.find("was dropped"); at != std::string::npos;
         at = log.find("was dropped", at + 1)) {
        ++notes;
    }
    EXPECT_EQ(notes, static_cast<size_t>(UnsolicitedChats::kNotesPerMinute));
    EXPECT_NE(log.find("[QEL_MessageReceived] Error: A chat line from " +
                       strangers[UnsolicitedChats::kMaxNewPerMinute] + " was dropped"),
              std::string::npos);
}

// The bound itself, minute by minute: new windows per minute, open windows
// in all, and the notes of dropped lines.
TEST(UnsolicitedChatsTest, OpensWithinBothBoundsAndNotesDropsAFewTimesAMinute) {
    UnsolicitedChats chats;
    const int64_t minute = UnsolicitedChats::kMinuteMs;
    size_t open = 0;
    for (size_t i = 0; i < UnsolicitedChats::kMaxNewPerMinute; ++i) {
        ASSERT_TRUE(chats.mayOpen(open++, 1000 + static_cast<int64_t>(i)));
    }
    EXPECT_FALSE(chats.mayOpen(open, 1000 + minute - 1));
    EXPECT_TRUE(chats.mayOpen(open++, 1000 + minute));  // the first opening is a minute old
    // Open windows in all: however much time passes.
    for (int64_t later = 2; open < UnsolicitedChats::kMaxOpenWindows; ++later) {
        EXPECT_TRUE(chats.mayOpen(open++, later * minute * 10));
    }
    EXPECT_FALSE(chats.mayOpen(open, 1000 * minute));
    EXPECT_TRUE(chats.mayOpen(open - 1, 1000 * minute));

    for (int i = 0; i < UnsolicitedChats::kNotesPerMinute; ++i) {
        EXPECT_NE(chats.dropNote("N", open, 2000 * minute), "");
    }
    EXPECT_EQ(chats.dropNote("N", open, 2000 * minute + 1), "");
    EXPECT_EQ(chats.dropNote("N", open, 2000 * minute + 2), "");
    EXPECT_EQ(chats.dropNote("N", 3, 2001 * minute),
              "A chat line from N was dropped: 10 chat windows were opened by peers in the last "
              "minute (2 more dropped before without a note)");
    EXPECT_EQ(chats.dropNote("M", open, 2001 * minute),
              "A chat line from M was dropped: 20 chat windows are open");
}

TEST_F(ControllerPeerTest, RemoteProcedureCallsReachTheirObjectsHandler) {
    std::vector<std::string> calls;
    state.controller->userTypingEvents->onCall = [&](std::string& name, qel::Variant&, std::string&,
                                                     std::string& nodeID, bool&) {
        calls.push_back(name + " from " + nodeID);
    };
    const auto caller = peer.newRPCInstance();
    caller->bindRPC("UserTyping", qel::RPC_RETURN);
    caller->callRemoteProc(state.NodeGUID, "UserTyping", std::string("1"));
    ASSERT_TRUE(waitUntil([&] { return !calls.empty(); }));
    EXPECT_EQ(calls, std::vector<std::string>{"UserTyping from PEER-NODE"});
}

// Blocks come from the peer as FILE packets, so the node knows who sent each.
TEST_F(ControllerPeerTest, FileBlocksOfADownloadReachItEvenWhileAnUpdateArrives) {
    ASSERT_TRUE(
        waitUntil([&] { return !peer.getNodeInfo(state.NodeGUID, true).at(0).ID.empty(); }));
    const auto dl = runningDownload(state, "REQ-DL", "PEER-NODE", local("dl.bin"));
    std::vector<std::string> updateBlocks;
    state.controller->beginUpdate(
        [&](std::string& reqID, std::string& data, const qel::cXRange*, qel::enmFileStatus,
            const std::optional<std::string>&) { updateBlocks.push_back(reqID + ":" + data); });
    const auto send = [&](const std::string& reqID, const std::string& data) {
        peer.sendFile(state.NodeGUID, reqID, data, qel::FS_Transferring, "",
                      peer.makeRange(0, static_cast<int64_t>(data.size()) - 1, 10));
    };
    send("REQ-DL", "abcd");
    send("REQ-UPDATE", "ELF");
    ASSERT_TRUE(waitUntil([&] { return dl->lngProgress == 3 && !updateBlocks.empty(); }));
    state.controller->endUpdate();
    send("REQ-OTHER", "lost");
    ASSERT_GE(peer.Ping(state.NodeGUID, 3000), 0);  // the block went before the ping
    EXPECT_EQ(dl->lngProgress, 3);
    EXPECT_EQ(updateBlocks, std::vector<std::string>{"REQ-UPDATE:ELF"});
}

}  // namespace
}  // namespace tornel
