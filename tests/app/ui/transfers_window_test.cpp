#include "ui/classic/transfers_window.h"
#include "app/ui/download_records.h"
#include "app/ui/window_fixture.h"
#include "core/state/download.h"
#include "platform/desktop.h"
#include "qellib/qel.h"
#include "support/file_contents.h"
#include "support/free_port.h"
#include "support/scripted_prompts.h"
#include "ui/classic/classic_window_set.h"
#include "ui/skinned/window_section.h"

#include <QPointer>

namespace tornel::test {
namespace {

// The transfers window of the multiple-windows mode over real download
// records, opened through its set as the program opens it.
class TransfersWindowTest : public WindowTest {
  protected:
    TransfersWindowTest() {
        state.ui.prompts = prompts;
        state.NewUI = false;
    }
    ~TransfersWindowTest() override {
        if (state.qelSession) {
            state.qelSession->shutDown();
        }
    }

    ui::TransfersWindow& frm() {
        if (!windows.frmTransfers()) {
            windows.displayTransfersWindow();
            windows.frmTransfers()->timUpdate->stop();  // the tests refresh when they mean to
        }
        return *windows.frmTransfers();
    }

    std::shared_ptr<cDownload> addDownload(const std::string& key, int32_t status) {
        return addDownloadRecord(state, folder, key, status);
    }
    void addUploadRow(const std::string& reqID, const std::string& status) {
        frm().lvUp->addRow(reqID, reqID + ".txt", reqID + ".txt", true);
        frm().lvUp->setCellText(reqID, 1, status);
        frm().lvUp->setTag(reqID, reqID);
    }
    void refresh() {
        frm().timUpdate_Timer();
        frm().setButtons();
    }
    void select(const std::string& key) {
        frm().lvDown->setCurrentItem(frm().lvDown->row(key));
        frm().lvDown_Click();
    }
    // The enabled buttons, sorted.
    std::vector<std::string> enabledButtons() {
        std::vector<std::string> on;
        for (const char* key : {"clear", "delete", "file", "folder", "status", "stop"}) {
            if (frm().tbMain->isButtonEnabled(key)) {
                on.push_back(key);
            }
        }
        return on;
    }
    void press(const char* key) { frm().tbMain->button(key)->trigger(); }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    ui::ClassicWindowSet windows{state, context, core};
};

TEST_F(TransfersWindowTest, ButtonsFollowTheSelectedDownloadsState) {
    EXPECT_EQ(frm().windowTitle(), "Transfers");
    EXPECT_TRUE(enabledButtons().empty());
    addUploadRow("U1", "Uploading");
    frm().setButtons();
    EXPECT_EQ(enabledButtons(), std::vector<std::string>{"clear"});

    const std::vector<std::pair<int32_t, std::vector<std::string>>> table{
        {DL_Pending, {"clear", "status", "stop"}},
        {DL_Starting, {"clear", "stop"}},
        {DL_Downloading, {"clear", "status", "stop"}},
        {DL_Complete, {"clear", "delete", "file", "folder"}},
        {DL_Cancelled, {"clear", "delete", "file", "folder"}},
    };
    for (const auto& [status, expected] : table) {
        addDownload("dl" + std::to_string(status), status);
    }
    refresh();
    for (const auto& [status, expected] : table) {
        select("dl" + std::to_string(status));
        EXPECT_EQ(enabledButtons(), expected) << "state " << status;
    }
}

TEST_F(TransfersWindowTest, WithNoRowSelectedOnlyClearIsOffered) {
    addDownload("running", DL_Downloading);
    refresh();
    // What the focus does to a list: a current row that nobody selected.
    QTreeWidget& list = *frm().lvDown;
    list.selectionModel()->setCurrentIndex(list.model()->index(0, 0),
                                           QItemSelectionModel::NoUpdate);
    ASSERT_NE(list.currentItem(), nullptr);
    refresh();
    EXPECT_EQ(enabledButtons(), std::vector<std::string>{"clear"});
    frm().tbMain_ButtonClick(QStringLiteral("stop"));
    EXPECT_TRUE(prompts->shown.empty()) << "no question about a file nobody picked";

    list.currentItem()->setSelected(true);  // the user's own pick
    EXPECT_EQ(enabledButtons(), (std::vector<std::string>{"clear", "status", "stop"}));
    list.clearSelection();
    EXPECT_EQ(enabledButtons(), std::vector<std::string>{"clear"});
}

TEST_F(TransfersWindowTest, TheCommandsActOnTheSelectedDownload) {
    const auto running = addDownload("running", DL_Downloading);
    const auto done = addDownload("done", DL_Complete);
    const auto gone = addDownload("gone", DL_Cancelled);
    writeFile(done->localPath, "bytes");
    refresh();

    select("running");
    press("status");
    EXPECT_EQ(static_cast<RecordingStatusWindow&>(*running->statusWindow).shown,
              std::vector<bool>{true});
    prompts->answers.push_back(PromptAnswer::No);
    press("stop");
    EXPECT_EQ(prompts->shown.back().text, "Are you sure you want to cancel \"running.mp3\"?");
    EXPECT_EQ(running->Status, DL_Downloading);

    platform::ScopedDesktopRecorder desktop;
    select("done");
    press("file");
    press("folder");
    frm().lvDown_DblClick();
    EXPECT_EQ(desktop.opened(),
              (std::vector<std::string>{done->localPath, folder.path(), done->localPath}));

    prompts->answers.push_back(PromptAnswer::Yes);
    press("delete");
    EXPECT_EQ(prompts->shown.back().text, "Are you sure you wish to delete \"done.mp3\"?");
    EXPECT_EQ(prompts->shown.back().title, "Delete");
    EXPECT_EQ(prompts->shown.back().icon, PromptIcon::Exclamation);
    EXPECT_FALSE(platform::isRegularFile(done->localPath));
    EXPECT_FALSE(state.downloads.exists("done"));

    // A file that is not there any more: the row and the record still go.
    prompts->answers.push_back(PromptAnswer::Yes);
    select("gone");
    press("delete");
    EXPECT_EQ(prompts->shown.back().text, "Are you sure you wish to delete \"gone.mp3\"?");
    EXPECT_FALSE(state.downloads.exists("gone"));
    EXPECT_EQ(frm().lvDown->keys(), std::vector<std::string>{"running"});
}

TEST_F(TransfersWindowTest, DeletingAStoppedDownloadRemovesItsPartialNeverAFileOfItsName) {
    const auto stopped = addDownload("stopped", DL_Cancelled);
    writeFile(stopped->localPath, "the user's own");
    writeFile(stopped->partialPath(), "partial bytes");
    refresh();
    select("stopped");
    prompts->answers.push_back(PromptAnswer::Yes);
    press("delete");
    EXPECT_FALSE(platform::isRegularFile(stopped->partialPath()));
    EXPECT_EQ(readFile(stopped->localPath), "the user's own");
    EXPECT_FALSE(state.downloads.exists("stopped"));
}

TEST_F(TransfersWindowTest, ClearTakesOnlyFinishedTransfers) {
    state.qelSession = std::make_shared<qel::cQEL>();
    state.qelSession->Initialise("Own", freePort());
    addDownload("complete", DL_Complete);
    addDownload("cancelled", DL_Cancelled);
    addDownload("pending", DL_Pending);
    addDownload("running", DL_Downloading);
    refresh();
    select("running");
    for (const char* status :
         {"Complete", "Uploading", "Cancelled", "Re-routing", "", "Routing failed"}) {
        addUploadRow(std::string("U-") + status, status);
    }
    press("clear");
    EXPECT_EQ(frm().lvDown->keys(), (std::vector<std::string>{"pending", "running"}));
    EXPECT_EQ(state.downloads.count(), 2U);
    EXPECT_EQ(frm().lvUp->keys(), (std::vector<std::string>{"U-", "U-Re-routing", "U-Uploading"}));
}

TEST_F(TransfersWindowTest, TheUploadsListHidesAndShowsAndTheChoiceIsKept) {
    state.ShowUploads = false;
    ui::TransfersWindow& window = frm();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.lvUp->isHidden());
    EXPECT_FALSE(window.ulHide->isHidden());
    const double M = window.lvDown->Left();
    EXPECT_DOUBLE_EQ(window.lvDown->Height(), window.ScaleHeight() - window.lvDown->Top() - 800);
    EXPECT_DOUBLE_EQ(window.picUL->Top(), window.lvDown->Top() + window.lvDown->Height() + M);
    EXPECT_EQ(window.lblUL->toolTip(), "Show Uploads");

    click(window.ulHide);
    EXPECT_TRUE(state.ShowUploads);
    EXPECT_FALSE(window.lvUp->isHidden());
    EXPECT_TRUE(window.ulHide->isHidden());
    EXPECT_EQ(window.lblUL->toolTip(), "Hide Uploads");
    const double down = window.lvDown->Height();
    EXPECT_NEAR(down, (window.ScaleHeight() - window.lvDown->Top()) * 0.6, 0.01);
    EXPECT_DOUBLE_EQ(window.lvUp->Top(), window.lvDown->Top() + down + M + 200);
    EXPECT_DOUBLE_EQ(window.lvUp->Top() + window.lvUp->Height(), window.ScaleHeight() - 3 * M);
    EXPECT_DOUBLE_EQ(window.picDL->Left() + window.picDL->Width(), M + window.lvDown->Width() - 20);
    const QRect inside = window.rect();
    for (QWidget* control :
         std::initializer_list<QWidget*>{window.tbMain, window.lvDown, window.lvUp, window.picDL,
                                         window.picUL, window.sbMain}) {
        EXPECT_TRUE(inside.contains(control->geometry())) << control->objectName().toStdString();
    }
    EXPECT_FALSE(window.lvDown->geometry().intersects(window.lvUp->geometry()));
    EXPECT_FALSE(window.picUL->geometry().intersects(window.lvUp->geometry()));

    click(window.lblUL);
    EXPECT_FALSE(state.ShowUploads);
    EXPECT_TRUE(window.lvUp->isHidden());
}

TEST_F(TransfersWindowTest, TheHeaderBoxesFitTheirCaptionsAndShowWhetherTheirListIsShown) {
    ui::TransfersWindow& window = frm();
    for (ui::Label* caption : {window.lblDL, window.lblUL}) {
        SCOPED_TRACE(caption->text().toStdString());
        EXPECT_TRUE(caption->font().bold());
        const int text = caption->fontMetrics().horizontalAdvance(caption->text());
        EXPECT_GE(caption->width() - text, 12) << "room on either side";
        EXPECT_TRUE(caption->parentWidget()->rect().contains(caption->geometry()));
    }
    const auto captionColour = [&] { return window.lblUL->palette().color(QPalette::WindowText); };
    const QColor shown = captionColour();
    click(window.lblUL);
    ASSERT_TRUE(window.lvUp->isHidden());
    EXPECT_NE(captionColour(), shown);
    click(window.ulHide);
    EXPECT_EQ(captionColour(), shown);
}

TEST_F(TransfersWindowTest, AClosedWindowSavesItsPlacementAndAFreshOneOpensNext) {
    QPointer<ui::TransfersWindow> first = &frm();
    first->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
    EXPECT_FALSE(windows.frmTransfers());
    const ui::WindowSection section(state.windowSettings, QStringLiteral("frmTransfers"));
    EXPECT_GT(section.read("width", -1.0), 0);

    windows.displayTransfersWindow();
    ASSERT_TRUE(windows.frmTransfers());
    EXPECT_TRUE(windows.frmTransfers()->isVisible());
}

TEST_F(TransfersWindowTest, AWindowClosedDuringTheDeleteQuestionIsLeftAlone) {
    const auto done = addDownload("done", DL_Complete);
    refresh();
    select("done");
    QPointer<ui::TransfersWindow> window = &frm();
    prompts->whileOpen = [&] {
        window->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    prompts->answers.push_back(PromptAnswer::Yes);
    press("delete");
    EXPECT_FALSE(window);
    EXPECT_FALSE(state.downloads.exists("done"));
}

}  // namespace
}  // namespace tornel::test
