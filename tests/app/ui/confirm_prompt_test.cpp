#include "ui/prompts/confirm_prompt.h"
#include "app/ui/window_fixture.h"
#include "core/permissions/ask_permission.h"
#include "support/scripted_prompts.h"
#include "support/wait.h"
#include "ui/controls/label.h"
#include "ui/prompts/confirm_prompts.h"
#include "ui/prompts/fitted_text.h"
#include "ui/prompts/prompt_placement.h"

#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

namespace tornel::test {
namespace {

class ConfirmPromptTest : public WindowTest {
  protected:
    ConfirmPromptTest() {
        state.ui.prompts = prompts;
        prompt.requestingID = "PEER";
        prompt.requestingName = "Ann";
        prompt.setInfo("Ann would like to access /home/sam/Shared/a.txt");
    }

    ui::ScreenInfo screen() const { return context.screen; }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    ui::frmConfirm prompt{state, screen()};
};

TEST_F(ConfirmPromptTest, LoadsTheDurationsAsASmallToolWindowOnTop) {
    ASSERT_EQ(prompt.cboTime->count(), 4);
    EXPECT_EQ(prompt.cboTime->itemText(0), "This time only");
    EXPECT_EQ(prompt.cboTime->itemText(1), "For 5 minutes");
    EXPECT_EQ(prompt.cboTime->itemText(2), "For 30 minutes");
    EXPECT_EQ(prompt.cboTime->itemText(3), "Always");
    EXPECT_EQ(prompt.cboTime->currentIndex(), 0);
    EXPECT_EQ(prompt.windowFlags() & Qt::WindowType_Mask, Qt::Tool);  // not in the task bar
    EXPECT_TRUE(prompt.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(prompt.isModal());
    EXPECT_EQ(prompt.windowTitle(), "");
    EXPECT_EQ(prompt.size(), QSize(233, 203));  // 3495 × 3045 twips
    EXPECT_EQ(prompt.cmdAllow->size(), QSize(65, 25));
    EXPECT_EQ(prompt.lblTitle->text(), "File Request");
    EXPECT_EQ(prompt.Label1->text(), "Do you want to allow this download?");
    EXPECT_EQ(prompt.Label2->text(), "Allow this user:");
    EXPECT_EQ(prompt.cmdAllow->text(), "&Allow");
    EXPECT_EQ(prompt.cmdDeny->text(), "&Deny");
    EXPECT_EQ(prompt.lblInfo->textFormat(), Qt::PlainText);
    EXPECT_FALSE(prompt.Decision());

    const std::vector<QWidget*> controls = {prompt.lblTitle, prompt.Label1,  prompt.lblInfo,
                                            prompt.Label2,   prompt.cboTime, prompt.cmdAllow,
                                            prompt.cmdDeny};
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_TRUE(prompt.rect().contains(controls[i]->geometry())) << i;
        for (size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry())) << i << j;
        }
    }
}

TEST_F(ConfirmPromptTest, AllowStoresTheChosenGrantAndAnswersAllowed) {
    struct Case {
        int index;
        std::optional<PromptAnswer> alwaysAnswer;
        size_t stored;
    } cases[] = {{0, std::nullopt, 0},
                 {1, std::nullopt, 1},
                 {2, std::nullopt, 1},
                 {3, PromptAnswer::Yes, 1},
                 {3, PromptAnswer::No, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        state.allowedIDs.clear();
        ui::frmConfirm answered(state, screen());
        answered.requestingID = "PEER";
        answered.requestingName = "Ann";
        answered.showPrompt();
        if (c.alwaysAnswer) {
            prompts->answers.push_back(*c.alwaysAnswer);
        }
        answered.cboTime->setCurrentIndex(c.index);
        click(answered.cmdAllow);
        EXPECT_TRUE(answered.Decision());
        EXPECT_TRUE(answered.allowed());
        EXPECT_FALSE(answered.isVisible());
        ASSERT_EQ(state.allowedIDs.count(), c.stored);
        if (c.stored == 1) {
            const cAllowedID& grant = *state.allowedIDs.item(1);
            EXPECT_EQ(grant.id, "PEER");
            EXPECT_EQ(grant.NeverExpires, c.index == 3);
            EXPECT_EQ(grant.Name, c.index == 3 ? "Ann" : "");
            EXPECT_EQ(grant.Expires, c.index == 1   ? clock.now() + 300000
                                     : c.index == 2 ? clock.now() + 1800000
                                                    : 0);
        }
    }
}

TEST_F(ConfirmPromptTest, DenyClosingByTheFrameAndEscStoreNothingAndRefuse) {
    for (const int way : {0, 1, 2}) {
        SCOPED_TRACE(way);
        ui::frmConfirm refused(state, screen());
        refused.requestingID = "PEER";
        refused.cboTime->setCurrentIndex(3);
        int told = 0;
        refused.whenAnswered([&] { ++told; });
        refused.showPrompt();
        if (way == 0) {
            click(refused.cmdDeny);
        } else if (way == 1) {
            refused.close();
        } else {
            QTest::keyClick(&refused, Qt::Key_Escape);
        }
        EXPECT_TRUE(refused.Decision());
        EXPECT_FALSE(refused.allowed());
        EXPECT_FALSE(refused.isVisible());
        refused.cmdAllow_Click();  // a late click changes nothing
        EXPECT_FALSE(refused.allowed());
        EXPECT_EQ(told, 1);  // the answer went back once
    }
    EXPECT_TRUE(state.allowedIDs.empty());
    EXPECT_TRUE(prompts->shown.empty());
}

TEST_F(ConfirmPromptTest, ShowsAtTheBottomRight450TwipsAboveTheScreensEdge) {
    prompt.showPrompt();
    EXPECT_TRUE(prompt.isVisible());
    const QRect frame = prompt.frameGeometry();
    EXPECT_EQ(frame.right() + 1, 800);
    EXPECT_EQ(frame.bottom() + 1, 600 - 30);
}

// Prompts open at once stack upwards from the bottom right, then in the
// column to the left, each clear of the ones on screen and inside the
// available area; with no free place left, each further one is offset. An
// answered prompt (hidden) frees its place.
TEST_F(ConfirmPromptTest, EachNewPromptIsPlacedClearOfTheOpenOnesAndOnTheScreen) {
    const QRect area(0, 0, 800, 600);
    std::vector<std::unique_ptr<ui::frmConfirm>> open;
    std::vector<QRect> frames;
    const auto openOne = [&] {
        open.push_back(std::make_unique<ui::frmConfirm>(state, screen()));
        open.back()->showPrompt();
        const QRect frame = open.back()->frameGeometry();
        EXPECT_TRUE(area.contains(frame));
        return frame;
    };
    // Three columns of two fit on 800 × 600.
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const QRect frame = openOne();
        for (const QRect& earlier : frames) {
            EXPECT_FALSE(frame.intersects(earlier));
        }
        frames.push_back(frame);
    }
    EXPECT_EQ(frames[0].bottomRight(), QPoint(799, 569));
    EXPECT_EQ(frames[1].bottom() + 1, frames[0].top());  // right above the first
    EXPECT_EQ(frames[1].left(), frames[0].left());
    EXPECT_EQ(frames[2].right() + 1, frames[0].left());  // the next column
    EXPECT_EQ(frames[2].bottom(), frames[0].bottom());

    click(open[1]->cmdDeny);
    EXPECT_EQ(openOne(), frames[1]);

    // No place is free: each further prompt is offset from the others.
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QRect frame = openOne();
        for (const QRect& earlier : frames) {
            EXPECT_NE(frame.topLeft(), earlier.topLeft());
        }
        frames.push_back(frame);
    }
}

// On a screen too small for a prompt, it is kept inside from the top left.
TEST_F(ConfirmPromptTest, APromptStaysOnAScreenSmallerThanItself) {
    ui::ScreenInfo small;
    small.setSizeForTest(3000, 2400);  // 200 × 160 pixels
    EXPECT_EQ(ui::stackedPromptPosition(QSize(233, 203), small, {}), QPoint(0, 0));
    EXPECT_EQ(ui::stackedPromptPosition(QSize(100, 50), small, {QRect(100, 80, 100, 50)}),
              QPoint(100, 30));
}

TEST_F(ConfirmPromptTest, LongInfoIsFittedToThreeLinesKeepingItsEnds) {
    const std::string path = "/home/sam/" + std::string(300, 'x') + "/holiday.jpg";
    prompt.setInfo("Tom & <b>Jerry</b> would like to access " + path);
    const QStringList lines = prompt.lblInfo->text().split(u'\n');
    EXPECT_LE(lines.size(), 3);
    const QFontMetrics metrics(prompt.lblInfo->font());
    for (const QString& line : lines) {
        EXPECT_LE(metrics.horizontalAdvance(line), prompt.lblInfo->width()) << line.toStdString();
    }
    EXPECT_TRUE(lines.front().startsWith("Tom & <b>Jerry</b>"));
    EXPECT_TRUE(lines.back().endsWith("holiday.jpg")) << lines.back().toStdString();
    EXPECT_TRUE(prompt.lblInfo->text().contains(QChar(0x2026)));
    EXPECT_EQ(prompt.lblInfo->toolTip().toStdString(),
              "Tom & <b>Jerry</b> would like to access " + path);

    EXPECT_EQ(ui::fittedLines("short", prompt.lblInfo->font(), 100, 3), "short");
}

TEST_F(ConfirmPromptTest, ALongNameGivesWayBeforeTheQuestionAndTheFile) {
    const QString verb = QStringLiteral(" would like to access ");
    struct Case {
        const char* what;
        std::string name;
        std::string path;
    };
    const Case cases[] = {
        {"60 characters, short path", std::string(20, 'N') + std::string(40, 'm'),
         "/home/sam/Shared/holiday.jpg"},
        {"60 characters, long path", std::string(20, 'N') + std::string(40, 'm'),
         "/home/sam/Shared/" + std::string(80, 'f') + "/Photographs/holiday.jpg"},
        {"60 characters with blanks", "Nikolaos " + std::string(51, 'q'),
         "/home/sam/" + std::string(40, 'f') + "/holiday.jpg"},
    };
    const QFontMetrics metrics(prompt.lblInfo->font());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompt.requestingName = c.name;
        prompt.setInfo(c.name + verb.toStdString() + c.path);
        const QString shown = prompt.lblInfo->text();
        const QStringList lines = shown.split(u'\n');
        EXPECT_LE(lines.size(), 3);
        for (const QString& line : lines) {
            EXPECT_LE(metrics.horizontalAdvance(line), prompt.lblInfo->width());
        }
        // Lines break at blanks (dropped) or anywhere in a word (nothing dropped).
        QString flat = shown;
        flat.remove(u'\n').remove(u' ');
        EXPECT_TRUE(flat.contains("wouldliketoaccess")) << shown.toStdString();
        EXPECT_TRUE(flat.endsWith("holiday.jpg")) << shown.toStdString();
        EXPECT_TRUE(shown.startsWith(QString::fromStdString(c.name.substr(0, 8))));
        EXPECT_EQ(prompt.lblInfo->toolTip().toStdString(), c.name + verb.toStdString() + c.path);
    }

    const QFont& font = prompt.lblInfo->font();
    EXPECT_EQ(ui::fittedRequest("Ann", verb, "/a.txt", font, 1000, 1),
              "Ann would like to access /a.txt");
    // The folders give way before the file; a name of a few letters is not cut.
    const QString fitted = ui::fittedRequest("Ann", verb, "/" + QString(200, u'f') + "/a.txt",
                                             font, prompt.lblInfo->width(), 2);
    EXPECT_TRUE(fitted.startsWith("Ann would like")) << fitted.toStdString();
    EXPECT_TRUE(fitted.contains(QChar(0x2026)) && fitted.endsWith("/a.txt"))
        << fitted.toStdString();
}

// The request is parked on the real prompt and askPermission returns at
// once; the click's answer settles it on a later pass, and the prompt is
// deleted.
TEST_F(ConfirmPromptTest, AskPermissionParksOnTheRealPromptAndItsClickSettlesIt) {
    auto loader = std::make_shared<ui::ConfirmPromptLoader>(state);
    loader->screen = context.screen;
    state.ui.confirm = loader;
    const PermissionQuestions::Request request{
        "PEER", "PEER", "REQ-1", "\\a.txt", "/home/sam/Shared/a.txt", nullptr, std::nullopt};
    EXPECT_TRUE(askPermission(state, request));
    EXPECT_EQ(state.permissionQuestions.waiting(), 1u);
    QPointer<ui::frmConfirm> seen;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* shown = qobject_cast<ui::frmConfirm*>(window);
        if (shown && shown != &prompt && shown->isVisible()) {
            seen = shown;
        }
    }
    ASSERT_FALSE(seen.isNull());
    EXPECT_EQ(seen->requestingID, "PEER");
    EXPECT_EQ(seen->lblInfo->toolTip(), "Unknown would like to access /home/sam/Shared/a.txt");
    EXPECT_EQ(prompts->beeps, 1);
    seen->cboTime->setCurrentIndex(1);
    click(seen->cmdAllow);
    EXPECT_EQ(state.allowedIDs.count(), 1u);
    ASSERT_TRUE(waitUntil([&] { return state.permissionQuestions.waiting() == 0; }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(seen.isNull());
}

}  // namespace
}  // namespace tornel::test
