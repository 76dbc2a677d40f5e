#include "core/chat/chat_conversation.h"
#include "core/chat/typing_notice.h"
#include "core/network/controller.h"
#include "core/procedures/procedure_params.h"
#include "core/state/download.h"
#include "support/file_contents.h"
#include "support/program_node.h"
#include "support/wait.h"

#include <gtest/gtest.h>

namespace tornel {
namespace {

using test::HandNode;
using test::ProgramNode;
using test::readFile;
using test::waitUntil;

// A chat window of the core's view: its lines and its status line.
class StatusChat : public QObject, public ChatWindow {
  public:
    explicit StatusChat(std::string peer) : peer_(std::move(peer)) {}
    std::string recipientID() const override { return peer_; }
    std::string recipientName() const override { return "peer"; }
    void addMessage(const std::string& text, bool fromRemote) override {
        lines.push_back(text + (fromRemote ? " (remote)" : ""));
    }
    bool isForeground() const override { return true; }
    bool isMinimised() const override { return !shown; }
    void flash() override {}
    bool pingWarningVisible() const override { return false; }
    void setPingWarningVisible(bool) override {}
    bool isShown() const override { return shown; }
    std::string lastMsgText() const override { return lastMessage; }
    void setStatusText(const std::string& text) override { status = text; }
    WindowRef<ChatWindow> ref() { return {this, this}; }

    std::vector<std::string> lines;
    std::string status = "Chatting with peer";
    std::string lastMessage;
    bool shown = true;

  private:
    std::string peer_;
};

class ChatCoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(test::linkNodes(alice, bob));
        aliceTalks.recipientID = bob.state.NodeGUID;
        bobTalks.recipientID = alice.state.NodeGUID;
        aliceWindow = std::make_unique<StatusChat>(bob.state.NodeGUID);
        bobWindow = std::make_unique<StatusChat>(alice.state.NodeGUID);
        alice.state.chatWindows.add(aliceWindow->ref(), bob.state.NodeGUID);
        bob.state.chatWindows.add(bobWindow->ref(), alice.state.NodeGUID);
    }

    ProgramNode alice{"Alice"};
    ProgramNode bob{"Bob"};
    ChatConversation aliceTalks{alice.state};
    ChatConversation bobTalks{bob.state};
    std::unique_ptr<StatusChat> aliceWindow;
    std::unique_ptr<StatusChat> bobWindow;
};

TEST_F(ChatCoreTest, LinesTravelBothWaysUnderTheSendersNames) {
    EXPECT_EQ(aliceTalks.send(""), std::nullopt);
    EXPECT_EQ(aliceTalks.send("hello Bob"), "Alice: hello Bob");
    ASSERT_TRUE(waitUntil([&] { return !bobWindow->lines.empty(); }));
    EXPECT_EQ(bobTalks.send("hi Alice"), "Bob: hi Alice");
    ASSERT_TRUE(waitUntil([&] { return !aliceWindow->lines.empty(); }));
    ASSERT_TRUE(test::sentHasArrived(alice, bob.state.NodeGUID));
    ASSERT_TRUE(test::sentHasArrived(bob, alice.state.NodeGUID));
    EXPECT_EQ(bobWindow->lines, std::vector<std::string>{"Alice: hello Bob (remote)"});
    EXPECT_EQ(aliceWindow->lines, std::vector<std::string>{"Bob: hi Alice (remote)"});
}

TEST_F(ChatCoreTest, TypingNoticesShowAndClearOnThePeersWindow) {
    aliceTalks.typingStatus(true);
    aliceTalks.typingStatus(true);  // unchanged: nothing sent
    ASSERT_TRUE(waitUntil([&] { return bobWindow->status == "Alice is typing a message"; }));
    aliceTalks.typingStatus(false);
    ASSERT_TRUE(waitUntil([&] { return bobWindow->status == "Chatting with Alice"; }));

    // A peer that stops typing brings back the time of the last line.
    bobWindow->lastMessage = "Last message received at 10:00:00 ";
    aliceTalks.typingStatus(true);
    ASSERT_TRUE(waitUntil([&] { return bobWindow->status == "Alice is typing a message"; }));
    aliceTalks.closing();
    EXPECT_FALSE(aliceTalks.typingSent());
    ASSERT_TRUE(waitUntil([&] { return bobWindow->status == bobWindow->lastMessage; }));

    // A window that is not on screen is left alone.
    bobWindow->shown = false;
    aliceTalks.typingStatus(true);
    ASSERT_TRUE(test::sentHasArrived(alice, bob.state.NodeGUID));
    EXPECT_EQ(bobWindow->status, bobWindow->lastMessage);
    EXPECT_EQ(readFile(bob.folder.file("Log.txt")), "");
}

TEST(ChatCore, TheLastMessageTextCarriesTheTimeAndATrailingBlank) {
    ProgramNode alice("Alice");
    ChatConversation talk(alice.state);
    EXPECT_EQ(talk.lastMsgText(), "");
    talk.noteReceived();
    const std::string& text = talk.lastMsgText();
    ASSERT_EQ(text.size(), std::string("Last message received at 12:34:56 ").size());
    EXPECT_TRUE(text.starts_with("Last message received at "));
    EXPECT_EQ(text[27], ':');
    EXPECT_TRUE(text.ends_with(" "));
}

TEST(ProcedureParams, BooleansReadInAnyCaseOrAsMinusOneAndZero) {
    const std::pair<qel::Variant, std::optional<bool>> cases[] = {
        {std::string("True"), true},
        {std::string("FALSE"), false},
        {std::string("tRuE"), true},
        {std::string("-1"), true},
        {std::string("0"), false},
        {int64_t{-1}, true},
        {true, true},
        {std::string("1"), std::nullopt},
        {std::string(""), std::nullopt},
        {std::string("yes"), std::nullopt},
        {qel::StringArray{"True"}, std::nullopt},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(readBoolean(value), expected) << qel::toText(value).value_or("(array)");
    }
}

// A status window that keeps its progress text.
class ProgressText : public DownloadWindow {
  public:
    void setProgressText(const std::string& text) override { progress = text; }
    std::string progress;
};

TEST(AuthGiven, ThePermissionAnswerMarksTheDownload) {
    ProgramNode bob("Bob");
    HandNode hand;
    ASSERT_TRUE(test::linkToHand(bob, hand));
    const auto caller = hand.bind({"AuthGiven"});
    const auto addDownload = [&](const std::string& reqID) {
        auto dl = std::make_shared<cDownload>(bob.state);
        auto window = std::make_shared<ProgressText>();
        dl->statusWindow = window;
        dl->Key = reqID + "-key";
        dl->reqID = reqID;
        bob.state.downloads.add(dl, dl->Key);
        return window;
    };
    const auto refused = addDownload("R1");
    const auto accepted = addDownload("R2");
    const auto untouched = addDownload("R3");
    // Element 0 first (our own shape) and element 0 empty (the shape with
    // bounds 1 to 2) both read; anything else changes nothing.
    caller->callRemoteProc(bob.state.NodeGUID, "AuthGiven", qel::StringArray{"False", "R1"});
    caller->callRemoteProc(bob.state.NodeGUID, "AuthGiven", qel::StringArray{"", "true", "R2"});
    caller->callRemoteProc(bob.state.NodeGUID, "AuthGiven", std::string("R3"));
    caller->callRemoteProc(bob.state.NodeGUID, "AuthGiven", qel::StringArray{"maybe", "R3"});
    caller->callRemoteProc(bob.state.NodeGUID, "AuthGiven", qel::StringArray{"True", "NONE"});
    ASSERT_TRUE(waitUntil([&] {
        return !readFile(bob.folder.file("Log.txt")).empty() && !accepted->progress.empty();
    }));
    // Bob answers only once the calls before the ping are handled.
    ASSERT_GE(hand.node.Ping(bob.state.NodeGUID, 20000), 0);
    EXPECT_EQ(refused->progress, "Refused");
    EXPECT_EQ(bob.state.downloads.item(1)->extendedStatus, "Refused");
    EXPECT_EQ(accepted->progress, "Accepted");
    EXPECT_EQ(untouched->progress, "");
    EXPECT_EQ(bob.state.downloads.item(3)->extendedStatus, "");
    EXPECT_EQ(readFile(bob.folder.file("Log.txt")),
              "[authGiven_RemoteProcCall] Error 13: The permission answer is not a Boolean: "
              "maybe\r\n");
}

}  // namespace
}  // namespace tornel
