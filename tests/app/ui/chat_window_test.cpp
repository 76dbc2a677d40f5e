#include "app/ui/chat_peer.h"
#include "core/network/controller.h"
#include "support/file_contents.h"
#include "support/program_node.h"
#include "support/recording_core.h"
#include "support/wait.h"
#include "support/window_environment.h"
#include "ui/chat/chat_opener.h"
#include "ui/chat/chatting_text.h"
#include "ui/chat/skinned_chat_window.h"
#include "ui/skinned/window_context.h"
#include "ui/skinned/window_section.h"
#include "ui/ui_shell.h"

#include <QApplication>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace tornel {
namespace {

using test::HandNode;
using test::ProgramNode;
using test::waitUntil;

// Alice's chat window with the hand node, both on 127.0.0.1.
class ChatWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::applyWindowLook();
        context.screen.setSizeForTest(12000, 9000);
        ASSERT_TRUE(test::linkToHand(alice, hand));
        typing = hand.bind({"UserTyping", "Push"});
        window = open("HAND-NODE", "Hand", true);
    }
    void TearDown() override {
        for (const WindowRef<ChatWindow>& chat : alice.state.chatWindows.snapshot()) {
            delete dynamic_cast<QWidget*>(chat.get());
        }
        delete window.data();
    }

    QPointer<ui::SkinnedChatWindow> open(const std::string& id, const std::string& name,
                                         bool sharing) {
        auto* frm = new ui::SkinnedChatWindow(
            alice.state, context, [this](const std::string& n) { explored.push_back(n); });
        qel::typNodeInfo node;
        node.ID = id;
        node.Name = name;
        node.sharingFiles = sharing;
        frm->openFor(node);
        alice.state.chatWindows.add(WindowRef<ChatWindow>(frm, frm), id);
        frm->show();
        QApplication::processEvents();
        return frm;
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

    ProgramNode alice{"Alice"};
    HandNode hand;
    std::shared_ptr<qel::cQELRPC> typing;
    ui::WindowContext context{alice.state.windowSettings};
    QPointer<ui::SkinnedChatWindow> window;
    std::vector<std::string> explored;
};

TEST_F(ChatWindowTest, OpensWithTheFocusInTheInputSoKeysTypedAtOnceLandThere) {
    test::typeIntoWindow(window, "hi");
    EXPECT_EQ(window->focusWidget(), window->txtIn);
    EXPECT_EQ(window->txtIn->text(), "hi");
    EXPECT_EQ(window->txtConv->toPlainText(), "");
    EXPECT_TRUE(window->cmdSend->isEnabled());
}

TEST_F(ChatWindowTest, SendingALineAndTheTypingNotices) {
    QTest::keyClick(window->txtIn, Qt::Key_Return);  // empty: nothing
    EXPECT_EQ(window->txtConv->toPlainText(), "");
    EXPECT_FALSE(window->cmdSend->isEnabled());

    QTest::keyClicks(window->txtIn, "hello");
    EXPECT_TRUE(window->cmdSend->isEnabled());
    settle();
    EXPECT_EQ(typingNotices(), std::vector<std::string>{"True"});

    QTest::keyClick(window->txtIn, Qt::Key_Return);
    EXPECT_EQ(window->txtConv->toPlainText(), "Alice: hello");
    EXPECT_EQ(window->txtIn->text(), "");
    EXPECT_FALSE(window->cmdSend->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), window->txtIn);
    ASSERT_TRUE(waitUntil([&] { return !hand.nodeEvents->messages.empty(); }));
    settle();
    EXPECT_EQ(hand.nodeEvents->messages,
              std::vector<std::string>{alice.state.NodeGUID + ": hello"});
    EXPECT_EQ(typingNotices(), (std::vector<std::string>{"True", "False"}));
}

TEST_F(ChatWindowTest, ReceivedLinesSetTheStatusAndOwnLinesDoNot) {
    window->addMessage("Hand: one", true);
    window->addMessage("Hand: two", true);
    EXPECT_EQ(window->txtConv->toPlainText(), "Hand: one\nHand: two");
    const std::string status = window->lblStatus->text().toStdString();
    EXPECT_TRUE(status.starts_with("Last message received at ") && status.ends_with(" ")) << status;
    EXPECT_EQ(status, window->lastMsgText());
    window->addMessage("Alice: three", false);
    EXPECT_EQ(window->lblStatus->text().toStdString(), status);
    EXPECT_EQ(window->txtConv->textCursor().position(),
              window->txtConv->document()->characterCount() - 1);
}

TEST_F(ChatWindowTest, ThePeersTypingShowsInTheStatusLine) {
    EXPECT_EQ(window->lblStatus->text(), "Chatting with Hand");
    typing->callRemoteProc(alice.state.NodeGUID, "UserTyping", true);
    ASSERT_TRUE(waitUntil([&] { return window->lblStatus->text() == "Hand is typing a message"; }));
    typing->callRemoteProc(alice.state.NodeGUID, "UserTyping", false);
    ASSERT_TRUE(waitUntil([&] { return window->lblStatus->text() == "Chatting with Hand"; }));
}

TEST_F(ChatWindowTest, DroppedFilesAreOfferedAndFourOrMoreAskFirst) {
    const std::filesystem::path folder = alice.folder.file("a folder");
    std::filesystem::create_directory(folder);
    drop(window->txtConv->viewport(),
         {file("1.txt"), file("2.txt"), folder.string(), file(".hidden"), file("3.txt")});
    EXPECT_TRUE(alice.prompts->shown.empty());
    ASSERT_TRUE(waitUntil([&] { return offers() == 3; }));

    alice.prompts->answers.push_back(PromptAnswer::No);
    drop(window->txtIn, {file("a"), folder.string(), file("b"), file("c"), file("d")});
    ASSERT_EQ(alice.prompts->shown.size(), 1U);
    EXPECT_EQ(alice.prompts->shown[0].text, "Are you sure you wish to send these 4 files to Hand?");
    EXPECT_EQ(alice.prompts->shown[0].title, "Send Multiple Files");
    EXPECT_EQ(alice.prompts->shown[0].icon, PromptIcon::Question);
    settle();
    EXPECT_EQ(offers(), 3U);

    alice.prompts->answers.push_back(PromptAnswer::Yes);
    drop(window->txtIn, {file("a"), file("b"), file("c"), file("d")});
    ASSERT_TRUE(waitUntil([&] { return offers() == 7; }));
    EXPECT_NE(test::readFile(alice.folder.file("Log.txt")).find("[txtConv_OLEDragDrop]"),
              std::string::npos);
}

TEST_F(ChatWindowTest, AWindowClosedWhileItsQuestionIsOpenIsNotTouchedAfterwards) {
    alice.prompts->answers.push_back(PromptAnswer::Yes);
    alice.prompts->whileOpen = [this] {
        window->closeChat();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    drop(window->txtIn, {file("a"), file("b"), file("c"), file("d")});
    EXPECT_FALSE(window);
    ASSERT_TRUE(waitUntil([&] { return offers() == 4; }));
}

TEST_F(ChatWindowTest, ClosingWhileTypingSendsOneLastNotice) {
    QTest::keyClicks(window->txtIn, "hal");
    window->mnuClose->trigger();
    EXPECT_TRUE(alice.state.chatWindows.empty());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
    settle();
    EXPECT_EQ(typingNotices(), (std::vector<std::string>{"True", "False"}));
    const ui::WindowSection section(alice.state.windowSettings, QStringLiteral("frmChat"));
    EXPECT_GT(section.read("width", -1.0), 0);
    EXPECT_GT(section.read("height", -1.0), 0);

    const QPointer<ui::SkinnedChatWindow> quiet = open("HAND-NODE", "Hand", true);
    quiet->btnTop[2]->mouseUp(ui::PictureBox::LeftButton);  // the Close button
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(quiet);
    settle();
    EXPECT_EQ(typingNotices().size(), 2U);
}

TEST_F(ChatWindowTest, MinimisingGoesBehindItsOwnEntryAndRestoringBringsItBack) {
    for (const auto minimise :
         {+[](ui::SkinnedChatWindow& w) { w.mnuMin->trigger(); },
          +[](ui::SkinnedChatWindow& w) { w.btnTop[0]->mouseUp(ui::PictureBox::LeftButton); }}) {
        minimise(*window);
        QApplication::processEvents();
        EXPECT_TRUE(window->isMinimized());
        EXPECT_FALSE(window->isShown());
        EXPECT_EQ(window->windowTitle(), "Chat - Hand");
        EXPECT_TRUE(window->taskBarForm->minimised());
        window->showNormal();
        QApplication::processEvents();
        EXPECT_TRUE(window->isShown());
        EXPECT_FALSE(window->taskBarForm->minimised());
        EXPECT_TRUE(window->isActiveWindow());
    }
}

TEST_F(ChatWindowTest, AChatOpenedAfterAMinimisedOneWasClosedOpensInSight) {
    window->setWidth(8000);
    window->setHeight(6000);
    window->btnTop[0]->mouseUp(ui::PictureBox::LeftButton);
    QApplication::processEvents();
    ASSERT_TRUE(window->isMinimized());
    window->close();  // the task bar's Close, or the program's exit
    QApplication::processEvents();

    const QPointer<ui::SkinnedChatWindow> next = open("NEXT", "Next", true);
    EXPECT_EQ(next->WindowState(), ui::Form::Normal);
    EXPECT_TRUE(next->isShown());
    EXPECT_EQ(next->Width(), 8000) << "the closed window's size is kept";
    EXPECT_EQ(next->Height(), 6000);
}

TEST_F(ChatWindowTest, LayoutFollowsTheTable) {
    window->setWidth(9000);
    window->setHeight(6000);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(window->txtConv->Width(), 9000 - 2 * 165);
    EXPECT_DOUBLE_EQ(window->txtConv->Height(), 6000 - (1290 + 345 + 2 * 165) - 320);
    EXPECT_DOUBLE_EQ(window->txtIn->Top(), 1290 + window->txtConv->Height() + 165);
    EXPECT_DOUBLE_EQ(window->cmdSend->Left(), window->txtIn->Width() + 2 * 165);
    EXPECT_DOUBLE_EQ(window->shpStatus->Top(), window->txtIn->Top() + 345 + 110);
    EXPECT_DOUBLE_EQ(window->lblChattingWith->Left() + window->lblChattingWith->Width(),
                     9000 - 940);
    const QRect inside = window->rect();
    for (QWidget* control : std::initializer_list<QWidget*>{
             window->txtConv, window->txtIn, window->cmdSend, window->shpStatus, window->lblStatus,
             window->lblChattingWith, window->imgSpeech}) {
        EXPECT_TRUE(inside.contains(control->geometry())) << control->objectName().toStdString();
    }
    EXPECT_FALSE(window->txtIn->geometry().intersects(window->cmdSend->geometry()));
    EXPECT_FALSE(window->txtConv->geometry().intersects(window->txtIn->geometry()));
}

TEST_F(ChatWindowTest, ALongNameIsCutClearOfTheSharingLink) {
    const QPointer<ui::SkinnedChatWindow> other =
        open("LONG", "Bartholomew Fitzgerald-Montgomery of the Western Isles <b>bold</b>", false);
    const QString heading = other->lblChattingWith->text();
    EXPECT_TRUE(heading.startsWith("Chatting with Bartholomew")) << heading.toStdString();
    EXPECT_TRUE(heading.endsWith("..")) << heading.toStdString();
    EXPECT_GE(other->lblChattingWith->x(), other->lblSharing->geometry().right() + 9);
    EXPECT_EQ(other->lblChattingWith->textFormat(), Qt::PlainText);
    EXPECT_EQ(other->lblSharing->text(), "Not sharing folders");
    EXPECT_FALSE(other->lblSharing->isEnabled());
    EXPECT_FALSE(other->imgSharing->isEnabled());
}

TEST(ChattingText, CaptionsShortenAsTheRoomShrinks) {
    const auto within = [](qsizetype room) {
        return [room](const QString& text) { return text.size() <= room; };
    };
    EXPECT_EQ(ui::chattingCaption("Annabel", within(40)), "Chatting with Annabel");
    EXPECT_EQ(ui::chattingCaption("Annabel", within(20)), "Chatting with Anna..");
    EXPECT_EQ(ui::chattingCaption("Annabel", within(17)), "Chatting with A..");
    EXPECT_EQ(ui::chattingCaption("Annabel", within(16)), "Annabel");
    EXPECT_EQ(ui::chattingCaption("Annabella", within(16)), "Annabe..");
    EXPECT_EQ(ui::chattingCaption("A", within(5)), "A");
}

TEST_F(ChatWindowTest, TheLinkCheckWarnsOnceAndTellsOnceWhenResolved) {
    window->conversation.recipientID = "NOBODY";
    window->timPing_Timer();
    window->timPing_Timer();
    EXPECT_TRUE(window->lblPing->isVisible());
    window->conversation.recipientID = "HAND-NODE";
    window->timPing_Timer();
    window->timPing_Timer();
    EXPECT_FALSE(window->lblPing->isVisible());
    EXPECT_EQ(window->txtConv->toPlainText().toStdString(),
              "** Tornel is experiencing connection problems with Unknown User. Some messages may "
              "not be received.\n** Connection problems with Hand have been resolved.");
    EXPECT_EQ(window->timPing->interval(), 5000);
    EXPECT_TRUE(window->timPing->isActive());
}

TEST_F(ChatWindowTest, TheLinks) {
    alice.state.NewUI = true;
    window->lblSharing_Click();
    EXPECT_EQ(explored, std::vector<std::string>{"HAND-NODE"});
    const std::string path = file("sent.txt");
    alice.prompts->texts.push_back(path);
    window->lblSendFile_Click();
    ASSERT_TRUE(waitUntil([&] { return offers() == 1; }));
}

TEST(ChatOpener, OneWindowPerPeerAndAMinimisedOneIsRestored) {
    test::applyWindowLook();
    ProgramNode alice("Alice");
    test::RecordingCore core;
    ui::UiShell shell(alice.state, core);
    qel::typNodeInfo node;
    node.ID = "PEER";
    node.Name = "Peer";
    shell.newConv(node);
    shell.newConv(node);
    ASSERT_EQ(alice.state.chatWindows.count(), 1U);
    auto* frm = dynamic_cast<ui::SkinnedChatWindow*>(alice.state.chatWindows.item(1).get());
    ASSERT_TRUE(frm);
    EXPECT_TRUE(frm->isVisible());
    EXPECT_EQ(frm->lblStatus->text(), "Chatting with Peer");
    frm->mnuMin->trigger();
    QApplication::processEvents();
    shell.newConv(node);
    QApplication::processEvents();
    EXPECT_FALSE(frm->isMinimized());
    EXPECT_EQ(alice.state.chatWindows.count(), 1U);
    shell.unloadAll();
    EXPECT_TRUE(alice.state.chatWindows.empty());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace tornel
