#include "support/scripted_prompts.h"
#include "ui/prompts/incoming_prompt_window.h"
#include "window_fixture.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace tornel {
namespace {

class IncomingPromptTest : public test::WindowTest {
  protected:
    IncomingPromptTest() {
        state.DownloadPath = "/home/user/Files";
        state.ui.prompts = prompts;
    }

    std::unique_ptr<ui::IncomingPromptWindow> prompt(const std::string& fileName) {
        auto made = std::make_unique<ui::IncomingPromptWindow>(state);
        made->screen.setSizeForTest(12000, 9000);
        made->setInfo("Ann would like to send you a file.");
        made->setNameText(fileName);
        made->setSizeText("Size: 1.5 KB");
        made->setFileName(fileName);
        made->showPlaced();
        QApplication::processEvents();
        return made;
    }

    std::shared_ptr<test::ScriptedPrompts> prompts = std::make_shared<test::ScriptedPrompts>();
};

TEST_F(IncomingPromptTest, AcceptSavesTheLastComponentInTheDownloadFolder) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\\b\\c.txt", "/home/user/Files/c.txt"},
        {"x/../../y", "/home/user/Files/y"},
        {"plain.bin", "/home/user/Files/plain.bin"},
    };
    for (const auto& [offered, saved] : cases) {
        const auto frm = prompt(offered);
        EXPECT_TRUE(frm->cmdAccept->isEnabled());
        test::click(frm->cmdAccept);
        EXPECT_TRUE(frm->Decision()) << offered;
        EXPECT_EQ(frm->savePath(), saved);
        EXPECT_FALSE(frm->isVisible());
        EXPECT_FALSE(frm->lblNoAccept->isVisibleTo(frm.get())) << offered;
    }
    // Accept is unavailable, and the prompt says why and what to do instead.
    for (const char* unusable : {"", ".", "..", "a/.."}) {
        const auto frm = prompt(unusable);
        EXPECT_FALSE(frm->cmdAccept->isEnabled()) << unusable;
        EXPECT_TRUE(frm->lblNoAccept->isVisible()) << unusable;
        EXPECT_TRUE(frm->lblNoAccept->text().contains("cannot be saved"));
        EXPECT_TRUE(frm->lblNoAccept->text().contains("Save to..."));
        EXPECT_TRUE(frm->rect().contains(frm->lblNoAccept->geometry())) << unusable;
        frm->cmdAccept_Click();
        EXPECT_FALSE(frm->Decision());
        EXPECT_TRUE(frm->cmdSaveTo->isEnabled());
    }
}

TEST_F(IncomingPromptTest, RefuseEscAndTheFrameAllRefuseAndTellTheirAnswerOnce) {
    int told = 0;
    const auto told1 = [&] { ++told; };
    const auto refused = prompt("a.txt");
    refused->whenAnswered(told1);
    test::click(refused->cmdRefuse);
    const auto escaped = prompt("a.txt");
    escaped->whenAnswered(told1);
    QTest::keyClick(escaped.get(), Qt::Key_Escape);
    const auto closed = prompt("a.txt");
    closed->whenAnswered(told1);
    closed->close();
    for (const auto* frm : {refused.get(), escaped.get(), closed.get()}) {
        EXPECT_TRUE(frm->Decision());
        EXPECT_EQ(frm->savePath(), "");
        EXPECT_FALSE(frm->isVisible());
    }
    refused->cmdAccept_Click();  // a late click changes nothing
    EXPECT_EQ(refused->savePath(), "");
    EXPECT_EQ(told, 3);
}

TEST_F(IncomingPromptTest, SaveToDecidesOnlyWithAChosenName) {
    const auto frm = prompt("a\\song.mp3");
    test::click(frm->cmdSaveTo);  // cancelled: still open
    EXPECT_FALSE(frm->Decision());
    EXPECT_TRUE(frm->isVisible());
    prompts->texts.push_back("/elsewhere/tune.mp3");
    test::click(frm->cmdSaveTo);
    EXPECT_TRUE(frm->Decision());
    EXPECT_EQ(frm->savePath(), "/elsewhere/tune.mp3");
    EXPECT_FALSE(frm->isVisible());
}

TEST_F(IncomingPromptTest, PlacedAtTheBottomRightOnTop) {
    const auto first = prompt("a.txt");
    const auto second = prompt("b.txt");
    const QRect frame = first->frameGeometry();
    EXPECT_EQ(frame.right() + 1, 800);
    EXPECT_EQ(frame.bottom() + 1, 600 - 30);
    EXPECT_EQ(second->frameGeometry(), frame);
    EXPECT_TRUE(first->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(first->isModal());
    for (QWidget* control : std::initializer_list<QWidget*>{
             first->lblTitle, first->lblInfo, first->lblName, first->lblSize, first->Label1,
             first->cmdAccept, first->cmdRefuse, first->cmdSaveTo}) {
        EXPECT_TRUE(first->rect().contains(control->mapTo(first.get(), control->rect().topLeft())))
            << control->objectName().toStdString();
    }
}

TEST_F(IncomingPromptTest, APromptWhoseFrameGrowsAfterItWasPlacedIsPlacedAgain) {
    const auto frm = prompt("a.txt");
    // As when the window manager's frame arrives after the prompt was shown.
    frm->setFixedSize(frm->width() + 30, frm->height() + 40);
    QApplication::processEvents();
    const QRect frame = frm->frameGeometry();
    EXPECT_EQ(frame.right() + 1, 800);
    EXPECT_EQ(frame.bottom() + 1, 600 - 30);
}

TEST_F(IncomingPromptTest, PeerTextIsShownAsPlainTextAndLongNamesAreCut) {
    const auto frm = prompt("<img src=x>" + std::string(300, 'n') + ".txt");
    EXPECT_EQ(frm->lblName->textFormat(), Qt::PlainText);
    EXPECT_EQ(frm->lblInfo->textFormat(), Qt::PlainText);
    EXPECT_TRUE(frm->lblName->text().startsWith("<img src=x>"));
    EXPECT_TRUE(frm->lblName->text().endsWith(".txt"));
    EXPECT_LE(frm->lblName->fontMetrics().horizontalAdvance(frm->lblName->text()),
              frm->lblName->width());
}

}  // namespace
}  // namespace tornel
