#include "ui/classic/classic_chat_window.h"
#include "app/ui/chat_peer.h"
#include "support/file_contents.h"
#include "support/program_node.h"
#include "support/recording_core.h"
#include "support/wait.h"
#include "support/window_environment.h"
#include "ui/ui_shell.h"

#include <QApplication>
#include <QMimeData>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace tornel {
namespace {

using test::HandNode;
using test::ProgramNode;
using test::waitUntil;

// A shell that records the files windows asked for.
class FilesShell : public Shell {
  public:
    std::vector<std::string> files;
    void showSharedFiles(const qel::typNodeInfo& node) override { files.push_back(node.ID); }
};

// Alice's classic chat window with the hand node, both on 127.0.0.1.
class ClassicChatTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::applyWindowLook();
        alice.state.NewUI = false;
        alice.state.ui.shell = shell;
        ASSERT_TRUE(test::linkToHand(alice, hand));
        typing = hand.bind({"UserTyping", "Push"});
        qel::typNodeInfo node;
        node.ID = "HAND-NODE";
        node.Name = "Hand";
        node.sharingFiles = true;
        ui::openClassicChatWindow(alice.state, node,
                                  [this](const std::string& id) { explored.push_back(id); });
        window = dynamic_cast<ui::ClassicChatWindow*>(alice.state.chatWindows.item(1).get());
        ASSERT_TRUE(window);
        QApplication::processEvents();
    }
    void TearDown() override {
        if (window) {
            window->close();
        }
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::vector<std::string> typingNotices() const { return test::typingNotices(hand); }
    // Until what Alice sent so far has reached the hand node.
    void settle() { ASSERT_TRUE(test::sentHasArrived(alice, "HAND-NODE")); }
    size_t offers() const { return test::fileOffers(hand); }
    void drop(QWidget* target, const std::vector<std::string>& paths) {
        test::dropFiles(target, paths);
    }
    std::string file(const std::string& name) {
        const std::string path = alice.folder.file(name);
        test::writeFile(path, "content of " + name);
        return path;
    }
    std::string status() const { return window->typingPanel->text().toStdString(); }

    ProgramNode alice{"Alice"};
    HandNode hand;
    std::shared_ptr<FilesShell> shell = std::make_shared<FilesShell>();
    std::shared_ptr<qel::cQELRPC> typing;
    QPointer<ui::ClassicChatWindow> window;
    std::vector<std::string> explored;
};

TEST_F(ClassicChatTest, OpensWithThePeersNameAndStatus) {
    EXPECT_EQ(window->windowTitle(), "Chat - Hand");
    EXPECT_EQ(window->lblTitle()->text(), "Hand");
    EXPECT_EQ(status(), "Chatting with Hand");
    EXPECT_EQ(window->typingPanel->objectName(), "typing");
    EXPECT_TRUE(window->lblPing->isHidden());
    EXPECT_EQ(window->timPing->interval(), 5000);
    EXPECT_TRUE(window->timPing->isActive());
}

TEST_F(ClassicChatTest, OpensWithTheFocusInTheInputSoKeysTypedAtOnceLandThere) {
    test::typeIntoWindow(window, "hi");
    EXPECT_EQ(window->focusWidget(), window->txtIn);
    EXPECT_EQ(window->txtIn->text(), "hi");
    EXPECT_EQ(window->txtConv->toPlainText(), "");
    EXPECT_TRUE(window->cmdSend->isEnabled());
}

TEST_F(ClassicChatTest, TheStatusTextLinesUpWithTheControlsAndHasRoomBelow) {
    window->setStatusText("Chatting with Margaret, typing...");
    QApplication::processEvents();
    ui::ElidedLabel& panel = *window->typingPanel;
    const int textLeft = panel.mapTo(window.data(), QPoint(panel.indent(), 0)).x();
    EXPECT_EQ(textLeft, window->txtIn->x());
    const QRect inWindow(panel.mapTo(window.data(), QPoint(0, 0)), panel.size());
    EXPECT_TRUE(window->rect().contains(inWindow));
    EXPECT_TRUE(panel.isVisible());
    // Centred in its height with room for the descenders below the text.
    EXPECT_EQ(panel.alignment() & Qt::AlignVertical_Mask, Qt::AlignVCenter);
    EXPECT_GE(panel.height() - panel.fontMetrics().height(), 4);
}

TEST_F(ClassicChatTest, SendingALineAndTheTypingNotices) {
    QTest::keyClick(window->txtIn, Qt::Key_Return);  // empty: nothing
    EXPECT_EQ(window->txtConv->toPlainText(), "");
    QTest::keyClicks(window->txtIn, "hello");
    EXPECT_TRUE(window->cmdSend->isEnabled());
    QTest::keyClick(window->txtIn, Qt::Key_Return);
    EXPECT_EQ(window->txtConv->toPlainText(), "Alice: hello");
    EXPECT_EQ(window->txtIn->text(), "");
    EXPECT_FALSE(window->cmdSend->isEnabled());
    EXPECT_EQ(status(), "Chatting with Hand");  // an own line leaves the status alone
    ASSERT_TRUE(waitUntil([&] { return !hand.nodeEvents->messages.empty(); }));
    settle();
    EXPECT_EQ(hand.nodeEvents->messages,
              std::vector<std::string>{alice.state.NodeGUID + ": hello"});
    EXPECT_EQ(typingNotices(), (std::vector<std::string>{"True", "False"}));

    QTest::keyClicks(window->txtIn, "x");
    ASSERT_TRUE(waitUntil([&] { return typingNotices().size() == 3; }));
    EXPECT_EQ(typingNotices().back(), "True");
}

TEST_F(ClassicChatTest, ReceivedLinesAndThePeersTypingShowInTheStatusPanel) {
    window->addMessage("Hand: one", true);
    window->addMessage("Alice: two", false);
    EXPECT_EQ(window->txtConv->toPlainText(), "Hand: one\nAlice: two");
    EXPECT_TRUE(status().starts_with("Last message received at ") && status().ends_with(" "))
        << status();
    EXPECT_EQ(status(), window->lastMsgText());

    typing->callRemoteProc(alice.state.NodeGUID, "UserTyping", true);
    ASSERT_TRUE(waitUntil([&] { return status() == "Hand is typing a message"; }));
    typing->callRemoteProc(alice.state.NodeGUID, "UserTyping", false);
    ASSERT_TRUE(waitUntil([&] { return status() == window->lastMsgText(); }));
}

TEST_F(ClassicChatTest, DroppedFilesAreOfferedAndMoreThanThreeAskFirst) {
    const std::filesystem::path folder = alice.folder.file("a folder");
    std::filesystem::create_directory(folder);
    drop(window->txtIn, {folder.string()});
    drop(window->txtConv->viewport(),
         {file("1.txt"), folder.string(), file("2.txt"), file("3.txt")});
    EXPECT_TRUE(alice.prompts->shown.empty());
    ASSERT_TRUE(waitUntil([&] { return offers() == 3; }));

    alice.prompts->answers.push_back(PromptAnswer::No);
    drop(window->txtIn, {file("a"), file("b"), file("c"), file("d")});
    ASSERT_EQ(alice.prompts->shown.size(), 1U);
    EXPECT_EQ(alice.prompts->shown[0].text, "Are you sure you wish to send these 4 files to Hand?");
    EXPECT_EQ(alice.prompts->shown[0].title, "Send Multiple Files");
    settle();
    EXPECT_EQ(offers(), 3U);
    EXPECT_NE(test::readFile(alice.folder.file("Log.txt")).find("[txtConv_OLEDragDrop]"),
              std::string::npos);
}

TEST_F(ClassicChatTest, ViewFilesInBothModes) {
    window->lblSharing_Click();
    EXPECT_EQ(shell->files, std::vector<std::string>{"HAND-NODE"});
    EXPECT_TRUE(explored.empty());
    alice.state.NewUI = true;
    window->lblSharing_Click();
    EXPECT_EQ(explored, std::vector<std::string>{"HAND-NODE"});
    EXPECT_EQ(shell->files.size(), 1U);
}

TEST_F(ClassicChatTest, ClosingLeavesTheListAndEndsTheTypingNotice) {
    QTest::keyClicks(window->txtIn, "hal");
    window->close();
    EXPECT_TRUE(alice.state.chatWindows.empty());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
    ASSERT_TRUE(waitUntil([&] { return typingNotices().size() == 2; }));
    EXPECT_EQ(typingNotices(), (std::vector<std::string>{"True", "False"}));
}

TEST_F(ClassicChatTest, AWindowClosedDuringTheDropQuestionIsLeftAlone) {
    alice.prompts->whileOpen = [&] {
        window->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    alice.prompts->answers.push_back(PromptAnswer::Yes);
    drop(window->txtIn, {file("a"), file("b"), file("c"), file("d")});
    EXPECT_FALSE(window);
    ASSERT_TRUE(waitUntil([&] { return offers() == 4; }));
}

TEST_F(ClassicChatTest, LayoutFollowsTheSevenSteps) {
    window->setWidth(9000);
    window->setHeight(6000);
    QApplication::processEvents();
    const double width = window->ScaleWidth();
    const double height = window->ScaleHeight();
    const double M1 = window->txtConv->Left();
    const double M2 = window->txtIn->Left();
    EXPECT_DOUBLE_EQ(window->txtConv->Width(), width - 2 * M1);
    EXPECT_DOUBLE_EQ(window->txtConv->Height(),
                     height - (window->txtConv->Top() + window->txtIn->Height() + 2 * M1) - 300);
    EXPECT_DOUBLE_EQ(window->txtIn->Top(), window->txtConv->Top() + window->txtConv->Height() + M2);
    EXPECT_DOUBLE_EQ(window->txtIn->Width(), width - 3 * M2 - window->cmdSend->Width());
    EXPECT_DOUBLE_EQ(window->cmdSend->Top(), window->txtIn->Top());
    EXPECT_DOUBLE_EQ(window->cmdSend->Left(), M2 + window->txtIn->Width() + M2);
    EXPECT_DOUBLE_EQ(window->heading.shpTop->Width(), width + 100);
    EXPECT_DOUBLE_EQ(window->lblPing->Left(), width - window->lblPing->Width() - 150);
    const QRect inside = window->rect();
    for (QWidget* control : std::initializer_list<QWidget*>{
             window->txtConv, window->txtIn, window->cmdSend, window->sbChat, window->lblSharing,
             window->lblPing, window->heading.Image1}) {
        EXPECT_TRUE(inside.contains(control->geometry())) << control->objectName().toStdString();
    }
    EXPECT_FALSE(window->txtIn->geometry().intersects(window->sbChat->geometry()));
}

// Two copies of the program in the multiple-windows mode: a line from one
// opens a classic chat window in the other, and the answer comes back.
TEST(ClassicChatBetweenPrograms, LinesAndTypingNoticesTravelBothWays) {
    test::applyWindowLook();
    ProgramNode alice("Alice");
    ProgramNode bob("Bob");
    test::RecordingCore core;
    for (ProgramNode* program : {&alice, &bob}) {
        program->state.NewUI = false;
        program->state.ui.shell = std::make_shared<ui::UiShell>(program->state, core);
    }
    ASSERT_TRUE(test::linkNodes(alice, bob));
    const auto chatOf = [](ProgramNode& program) {
        return program.state.chatWindows.empty()
                   ? nullptr
                   : dynamic_cast<ui::ClassicChatWindow*>(program.state.chatWindows.item(1).get());
    };
    const auto knownAs = [](ProgramNode& program, const std::string& id) {
        return program.state.qelSession->getNodeInfo(id, true).front();
    };
    alice.state.ui.shell->newConv(knownAs(alice, bob.state.NodeGUID));
    ui::ClassicChatWindow* mine = chatOf(alice);
    ASSERT_TRUE(mine);
    QTest::keyClicks(mine->txtIn, "hi Bob");
    QTest::keyClick(mine->txtIn, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return chatOf(bob) != nullptr; }));
    ui::ClassicChatWindow* theirs = chatOf(bob);
    ASSERT_TRUE(waitUntil([&] { return theirs->txtConv->toPlainText() == "Alice: hi Bob"; }));
    EXPECT_EQ(theirs->windowTitle(), "Chat - Alice");

    QTest::keyClicks(theirs->txtIn, "h");
    ASSERT_TRUE(waitUntil([&] { return mine->typingPanel->text() == "Bob is typing a message"; }));
    QTest::keyClicks(theirs->txtIn, "ello");
    QTest::keyClick(theirs->txtIn, Qt::Key_Return);
    ASSERT_TRUE(
        waitUntil([&] { return mine->txtConv->toPlainText() == "Alice: hi Bob\nBob: hello"; }));
    ASSERT_TRUE(waitUntil(
        [&] { return mine->typingPanel->text().startsWith("Last message received at "); }));

    for (ProgramNode* program : {&alice, &bob}) {
        program->state.ui.shell->unloadAll();
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alice.state.chatWindows.empty());
    EXPECT_TRUE(bob.state.chatWindows.empty());
    for (ProgramNode* program : {&alice, &bob}) {
        program->state.ui.shell = std::make_shared<Shell>();
    }
}

}  // namespace
}  // namespace tornel
