#include "ui/download/download_status_window.h"
#include "core/downloads/download_manager.h"
#include "core/state/download.h"
#include "core/util/utilities.h"
#include "support/scripted_prompts.h"
#include "window_fixture.h"

#include <gtest/gtest.h>

namespace tornel {
namespace {

class DownloadStatusWindowTest : public test::WindowTest {
  protected:
    DownloadStatusWindowTest() {
        state.ui.prompts = prompts;
        dl->Key = GUID();
        dl->remotePath = "\\docs\\plan.txt";
        dl->localPath = folder.file("plan.txt");
        dl->Status = DL_Starting;
        dl->statusWindow = ui::newDownloadStatusWindow(state, dl);
        state.downloads.add(dl, dl->Key);
    }

    ui::DownloadStatusWindow& window() {
        return dynamic_cast<ui::DownloadStatusWindow&>(*dl->statusWindow);
    }
    QString cancelText() { return window().cmdCancel->text(); }

    std::shared_ptr<test::ScriptedPrompts> prompts = std::make_shared<test::ScriptedPrompts>();
    std::shared_ptr<cDownload> dl = std::make_shared<cDownload>(state);
};

TEST_F(DownloadStatusWindowTest, IsAFixedWindowWithItsControlsInside) {
    ui::DownloadStatusWindow& w = window();
    EXPECT_EQ(w.windowTitle(), "Downloading");
    EXPECT_EQ(w.size(), QSize(380, 209));
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_EQ(w.pbFile->maximum(), 1000);
    EXPECT_EQ(w.lblTitle->text(), "Downloading File");
    const QRect inside = w.rect();
    QRect previous;
    for (QPushButton* button : {w.cmdOpen, w.cmdFolder, w.cmdCancel}) {
        EXPECT_EQ(button->size(), w.cmdFolder->size());
        EXPECT_EQ(button->height(), 25);
        EXPECT_GE(button->width(), 81);
        EXPECT_GT(button->width(), button->sizeHint().width()) << "the caption stands clear";
        EXPECT_TRUE(inside.contains(button->geometry()));
        EXPECT_FALSE(button->geometry().intersects(previous));
        EXPECT_GT(button->x(), previous.x());
        previous = button->geometry();
    }
    EXPECT_FALSE(w.cmdOpen->isEnabled());
    EXPECT_FALSE(w.cmdFolder->isEnabled());
    for (QWidget* label : {static_cast<QWidget*>(w.lblName), static_cast<QWidget*>(w.lblSpeed)}) {
        EXPECT_TRUE(w.Frame1->rect().contains(label->geometry()));
    }
}

TEST_F(DownloadStatusWindowTest, ALongNameIsCutWithTheWholeNameAsItsToolTip) {
    ui::DownloadStatusWindow& w = window();
    w.setFileName("plan.txt");
    EXPECT_EQ(w.lblName->shownText(), "plan.txt");
    EXPECT_TRUE(w.lblName->toolTip().isEmpty());

    const QString name = QStringLiteral(
        "Minutes of the annual general meeting of the allotment society, with appendices.pdf");
    w.setFileName(name.toStdString());
    EXPECT_EQ(w.lblName->text(), name);
    const QString shown = w.lblName->shownText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Minutes of the"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(w.lblName->fontMetrics().horizontalAdvance(shown), w.lblName->width());
    EXPECT_EQ(w.lblName->toolTip(), name);
}

TEST_F(DownloadStatusWindowTest, InInformationModeTheButtonAndTheFrameOnlyHide) {
    window().showStatus(true);
    EXPECT_EQ(cancelText(), "&Hide");
    window().cmdCancel->click();
    EXPECT_FALSE(window().isVisible());
    window().showStatus(true);
    EXPECT_FALSE(window().close());
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(dl->Status, DL_Starting);
    EXPECT_TRUE(prompts->shown.empty());
    EXPECT_EQ(state.downloads.count(), 1u);
}

TEST_F(DownloadStatusWindowTest, InPromptModeCancelAsksAndYesCancelsAndHides) {
    state.ShowDLWindow = true;
    window().showStatus(false);
    EXPECT_EQ(cancelText(), "&Cancel");
    prompts->answers = {PromptAnswer::No, PromptAnswer::Yes};
    window().cmdCancel->click();
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(dl->Status, DL_Starting);
    window().cmdCancel->click();
    EXPECT_EQ(prompts->shown.size(), 2u);
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(window().cmdCancel->isEnabled());
    EXPECT_EQ(dl->Status, DL_Cancelled);
    EXPECT_TRUE(state.downloads.empty());  // the window was the download's place
}

TEST_F(DownloadStatusWindowTest, ACompleteDownloadClosesWithoutAQuestion) {
    window().showStatus(false);
    dl->Status = DL_Complete;
    window().setCancelCaption("&Close");
    window().cmdCancel->click();
    EXPECT_TRUE(prompts->shown.empty());
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(state.downloads.count(), 1u);  // ShowDLWindow is off: the record stays
}

TEST_F(DownloadStatusWindowTest, TheSpeedReadsInThousands) {
    window().showSpeed();
    EXPECT_EQ(window().lblSpeed->text(), "");
    dl->Status = DL_Downloading;
    state.Timeout = 1000;  // a window of 1500 ms
    dl->lngThisChunk = 2250;
    window().showSpeed();
    EXPECT_EQ(window().lblSpeed->text(), "1.5 KB/sec");
    clock.advance(1501);
    dl->lngThisChunk = 1498;
    window().showSpeed();
    EXPECT_EQ(window().lblSpeed->text(), "999 bytes/sec");
}

TEST_F(DownloadStatusWindowTest, TheSpeedIsEmptiedOnceTheDownloadNoLongerRuns) {
    // How the download stops running; where the speed is read afterwards, it is
    // read by something other than the window's own timer (the Transfers lists).
    const std::vector<std::pair<const char*, std::function<void()>>> endings = {
        {"complete", [&] {
             dl->Status = DL_Complete;
             downloadComplete(dl);
         }},
        {"complete, read by the lists", [&] {
             dl->Status = DL_Complete;
             EXPECT_EQ(dl->fileSpeed(), -1);
         }},
        {"cancelled, read by the lists", [&] {
             dl->cancelOp();
             EXPECT_EQ(dl->fileSpeed(), -1);
         }},
    };
    for (const auto& [how, end] : endings) {
        SCOPED_TRACE(how);
        dl->Status = DL_Downloading;
        state.Timeout = 1000;
        dl->lngThisChunk = 2250;
        window().showStatus(false);
        window().setRefreshTimer(true);
        window().showSpeed();
        ASSERT_FALSE(window().lblSpeed->text().isEmpty());
        end();
        EXPECT_EQ(window().lblSpeed->text(), "");
        if (std::string_view(how).ends_with("lists")) {
            EXPECT_FALSE(window().timRefresh->isActive());
        }
    }
}

TEST_F(DownloadStatusWindowTest, ClosedThroughTheFrameInPromptModeItHidesAndStillTakesWrites) {
    window().showStatus(false);
    window().setProgressText("12% of 3 KB");
    EXPECT_TRUE(window().close());
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(dl->Status, DL_Starting);
    EXPECT_EQ(window().lblProgress->text(), "<Progress>");
    window().setProgressText("20% of 3 KB");
    EXPECT_EQ(window().lblProgress->text(), "20% of 3 KB");
}

TEST_F(DownloadStatusWindowTest, TheSendersCancelUnloadsAPromptWindowButOnlyHidesAnInformationOne) {
    window().showStatus(true);
    window().setProgressText("Asking Permission");
    window().unload();
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(window().lblProgress->text(), "Asking Permission");
    window().showStatus(false);
    window().unload();
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(window().lblProgress->text(), "<Progress>");
}

TEST_F(DownloadStatusWindowTest, DroppingTheRecordDeletesTheWindowLater) {
    QPointer<QWidget> alive(&window());
    state.downloads.clear();
    dl.reset();
    EXPECT_TRUE(alive);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(alive);
}

}  // namespace
}  // namespace tornel
