// A raw peer on loopback, written from the wire format, against the
// program's core: chat lines from nodes nobody knows never make the program
// wait for their descriptions, and a packet that came in one write with a
// request whose question is open is answered while the question is open.
// Bodies nothing reads are neither held nor inflated, invented nodes of the
// program's kind are listed only up to a bound, and chat lines are no longer
// than the input line takes.
#include "app_fixture.h"
#include "core/chat/chat_line_bound.h"
#include "core/network/controller.h"
#include "core/network/session.h"
#include "fake_chat.h"
#include "platform/zlib_stream.h"
#include "qellib/qel.h"
#include "support/packet_flood.h"
#include "support/process_resources.h"
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

    // Writes a packet whose body is `bodyBytes` bytes, a piece at a time,
    // each handed to the system before the next: the test holds none of it.
    void sendStreamed(const std::string& header, int64_t bodyBytes) {
        peer.send(header);
        const std::string piece(1024 * 1024, 'b');
        for (int64_t sent = 0; sent < bodyBytes;) {
            const int64_t size = std::min(bodyBytes - sent, static_cast<int64_t>(piece.size()));
            peer.send(piece.substr(0, static_cast<size_t>(size)));
            sent += size;
            ASSERT_TRUE(waitUntil([&] { return peer.written(); }));
        }
    }
    // A PING's PONG came back.
    bool pingAnswered(const std::string& reqID) {
        peer.send(peer.packet("PING", state.NodeGUID, {{"ReqID", reqID}}));
        return waitUntil([&] { return peer.answer("PONG", reqID) != nullptr; }, 20000);
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

// A zlib stream of `length` zero bytes: a few hundred KiB that would inflate
// to all of it.
std::string compressedZeros(int64_t length) {
    return platform::zlib::compress(std::string(static_cast<size_t>(length), '\0'), 9).value();
}

// Bodies beyond their method's bound are skipped as they arrive, and bodies
// no handler reads (a method nothing handles, a FILE of a transfer never
// asked for) are never inflated: the program grows by little and answers.
TEST_F(StrangerPacketsTest, BodiesNothingReadsAreNeitherHeldNorInflated) {
    const std::string updateBomb = compressedZeros(256 * 1024 * 1024);
    const std::string fileBomb = compressedZeros(64 * 1024 * 1024);
    const test::MemoryPeak memory;
    for (int i = 1; i <= 3; ++i) {
        const std::string stranger = RawPeer::newID();
        constexpr int64_t kBody = 200 * 1024 * 1024;
        sendStreamed(peer.packet("GET", state.NodeGUID,
                                 {{"Source", stranger},
                                  {"ReqID", "G" + std::to_string(i)},
                                  {"Metadata", stranger},
                                  {"Content-Length", std::to_string(kBody)}},
                                 {}, "\\a.txt"),
                     kBody);
    }
    ASSERT_TRUE(pingAnswered("AFTER-GETS"));
    for (int i = 1; i <= 2; ++i) {
        peer.send(peer.packet(
            "UPDATE", state.NodeGUID,
            {{"Flags", "Z"}, {"Original-Length", std::to_string(256 * 1024 * 1024)}}, updateBomb));
    }
    peer.send(peer.packet("FILE", state.NodeGUID,
                          {{"ReqID", RawPeer::newID()},
                           {"Content-Range", "0-67108863/67108864"},
                           {"FileStatus", "1"},
                           {"Flags", "Z"},
                           {"Original-Length", std::to_string(64 * 1024 * 1024)}},
                          fileBomb));
    ASSERT_TRUE(pingAnswered("AFTER-BOMBS"));
    EXPECT_LT(memory.growthMiB(), 64);
    EXPECT_EQ(confirms->count(), 0u);  // the GETs were dropped with their bodies
    EXPECT_TRUE(peer.answer("FILE", "G1") == nullptr);
}

// Nodes of the program's own kind are listed up to a bound however many a
// peer invents; those past it are logged, the log staying short.
TEST_F(StrangerPacketsTest, InventedNodesAreListedOnlyUpToTheBound) {
    constexpr size_t kInvented = cMain::kMaxListedUsers + 500;
    session(state).startNodeInfoAsync();  // a users search lists what is announced
    PacketFlood flood(peer, state.NodeGUID, static_cast<int>(kInvented), [this](int i) {
        return peer.packet("INFO", "BROADCAST", {{"Source", "INVENTED-" + std::to_string(i)}},
                           settingsBody("Common", {{"Name", "Invented " + std::to_string(i)},
                                                   {"Role", "1"},
                                                   {"Descriptor", "TORNEL_NODE"}}));
    });
    ASSERT_TRUE(flood.run());
    EXPECT_EQ(state.users.count(), cMain::kMaxListedUsers);
    EXPECT_TRUE(state.users.exists("INVENTED-0"));
    EXPECT_FALSE(state.users.exists("INVENTED-" + std::to_string(kInvented - 1)));
    const std::string log = logText();
    size_t logged = 0;
    for (size_t at = log.find("not listed: "); at != std::string::npos;
         at = log.find("not listed: ", at + 1)) {
        ++logged;
    }
    EXPECT_GE(logged, 1U);
    EXPECT_LE(logged, 10U);  // 1, 2, 4, ... 256 of 500
}

// A line is cut to what the chat windows' input line takes, never inside a
// character; shorter lines arrive whole.
TEST_F(StrangerPacketsTest, ChatLinesAreCutToTheInputLinesLength) {
    peer.send(peer.packet("INFO", state.NodeGUID, {{"Source", "TALKER"}},
                          settingsBody("Common", {{"Name", "T"}, {"Role", "1"}})));
    const std::string wide = "\xc3\xa9";  // one character, two bytes
    struct Row {
        std::string line;
        std::string shown;
    };
    const std::string longest(kMaxChatLineLength, 'x');
    const std::string widest = [&] {
        std::string text;
        for (int i = 0; i < kMaxChatLineLength; ++i) {
            text += wide;
        }
        return text;
    }();
    const Row rows[] = {
        {"short", "short"},
        {longest, longest},
        {longest + "yyyy", longest},
        {widest + wide, widest},
        {std::string(1024 * 1024, 'z'), std::string(kMaxChatLineLength, 'z')},
    };
    size_t expected = 0;
    for (const Row& row : rows) {
        chatLine("TALKER", row.line);
        ++expected;
        ASSERT_TRUE(waitUntil([&] { return lines.size() == expected; }));
        EXPECT_TRUE(lines.back() == "T: " + row.shown + " (remote)") << row.shown.size();
    }
    EXPECT_EQ(QString::fromStdString(widest).size(), kMaxChatLineLength);
}

}  // namespace
}  // namespace tornel
