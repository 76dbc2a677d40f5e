// A raw peer on loopback, written from the wire format, against the
// program's core: chat lines from nodes nobody knows never make the program
// wait for their descriptions, and a packet that came in one write with a
// request whose question is open is answered while the question is open.
#include "app_fixture.h"
#include "core/network/controller.h"
#include "fake_chat.h"
#include "qellib/qel.h"
#include "support/packet_flood.h"
#include "support/raw_peer.h"
#include "support/scripted_confirm.h"
#include "support/wait.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tornel {
namespace {

using test::FakeChat;
using test::PacketFlood;
using test::RawPeer;
using test::settingsBody;
using test::waitUntil;
using test::WirePacket;

// A shell whose newConv opens a recording chat window.
class ChatShell : public test::RecordingShell {
  public:
    ChatShell(AppState& state, std::vector<std::string>& lines) : state_(state), lines_(lines) {}
    void newConv(const qel::typNodeInfo& node) override {
        opened.push_back(node.ID + " " + node.Name);
        windows.push_back(std::make_unique<FakeChat>(node.ID, lines_));
        state_.chatWindows.add(windows.back()->ref(), node.ID);
    }
    std::vector<std::string> opened;
    std::vector<std::unique_ptr<FakeChat>> windows;

  private:
    AppState& state_;
    std::vector<std::string>& lines_;
};

// The program's node sharing a folder, with a raw peer connected to it.
class StrangerPacketsTest : public test::AppFixture {
  protected:
    StrangerPacketsTest() {
        std::filesystem::create_directory(file("share"));
        test::writeFile(file("share/a.txt"), "contents of a");
        state.ui.shell = chats;
        state.ui.confirm = confirms;
        startSharingNode(2000);
        EXPECT_TRUE(peer.connect(static_cast<int>(state.Port)));
    }
    ~StrangerPacketsTest() override { state.qelSession->shutDown(); }

    void chatLine(const std::string& from, const std::string& text) {
        peer.send(peer.packet("MSG", state.NodeGUID, {{"Source", from}, {"Type", "chat"}}, text));
    }
    bool whoisSentFor(const std::string& nodeID) const {
        return std::any_of(peer.received.begin(), peer.received.end(), [&](const WirePacket& p) {
            return p.method == "WHOIS" && p.field("Destination") == nodeID;
        });
    }

    std::vector<std::string> lines;
    std::shared_ptr<ChatShell> chats = std::make_shared<ChatShell>(state, lines);
    std::shared_ptr<test::ScriptedConfirms> confirms = std::make_shared<test::ScriptedConfirms>();
    RawPeer peer;
};

TEST_F(StrangerPacketsTest, ChatLinesFromUnknownNodesNeverWaitForTheirDescriptions) {
    PacketFlood flood(peer, state.NodeGUID, 5000, [this](int i) {
        return peer.packet("MSG", state.NodeGUID,
                           {{"Source", "STRANGER-" + std::to_string(i)}, {"Type", "chat"}},
                           "line " + std::to_string(i));
    });
    ASSERT_TRUE(flood.run());
    EXPECT_LT(flood.slowestPong(), 1000);
    EXPECT_LE(flood.mostFiles - flood.baseFiles, 8);
    EXPECT_LT(flood.mostKiB - flood.baseKiB, 128 * 1024);
    EXPECT_TRUE(chats->opened.empty());
    EXPECT_NE(logText().find("dropped: too many unknown nodes' lines wait"), std::string::npos);
}

// The lines wait, in order, for the node's description, and open its window
// once it comes.
TEST_F(StrangerPacketsTest, ALineFromAnUnknownNodeIsShownOnceItsNodeIsDescribed) {
    chatLine("LATE-NODE", "hello");
    chatLine("LATE-NODE", "again");
    ASSERT_TRUE(waitUntil([&] { return whoisSentFor("LATE-NODE"); }));
    EXPECT_TRUE(chats->opened.empty());
    peer.send(peer.packet("INFO", state.NodeGUID, {{"Source", "LATE-NODE"}},
                          settingsBody("Common", {{"Name", "Late"}, {"Role", "1"}})));
    ASSERT_TRUE(waitUntil([&] { return lines.size() == 2; }));
    EXPECT_EQ(chats->opened, std::vector<std::string>{"LATE-NODE Late"});
    EXPECT_EQ(lines, (std::vector<std::string>{"Late: hello (remote)", "Late: again (remote)"}));
    chatLine("LATE-NODE", "and now");
    ASSERT_TRUE(waitUntil([&] { return lines.size() == 3; }));
    EXPECT_EQ(lines.back(), "Late: and now (remote)");
}

// A PING written together with a GET is answered while the GET's access
// question waits for the user. The question's wait holds the stack, so the
// test watches from the event loop and answers once the PONG is in (or gives
// up after a while).
TEST_F(StrangerPacketsTest, APingThatCameWithARequestIsAnsweredWhileItsQuestionIsOpen) {
    bool pongWhileOpen = false;
    QTimer watch;
    confirms->onLoad = [&](test::ScriptedConfirm& prompt) {
        const int64_t giveUp = platform::tickCount() + 5000;
        QObject::connect(&watch, &QTimer::timeout, [&, giveUp] {
            const bool pong = peer.answer("PONG", "P1") != nullptr;
            if (pong || platform::tickCount() > giveUp) {
                pongWhileOpen = pong && !prompt.decision && peer.count("FILE") == 0;
                watch.stop();
                prompt.answerDeny();
            }
        });
        watch.start(5);
    };
    peer.send(peer.packet("GET", state.NodeGUID, {{"ReqID", "G1"}, {"Metadata", "RAW-PEER"}}, {},
                          "\\a.txt") +
              peer.packet("PING", state.NodeGUID, {{"ReqID", "P1"}}));
    ASSERT_TRUE(waitUntil([&] { return peer.answer("FILE", "G1") != nullptr; }, 15000));
    EXPECT_EQ(confirms->count(), 1u);
    EXPECT_TRUE(pongWhileOpen);
    EXPECT_EQ(peer.answer("FILE", "G1")->field("FileStatus"), "3");
}

}  // namespace
}  // namespace tornel
