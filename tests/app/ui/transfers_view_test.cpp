#include "ui/views/transfers_view.h"
#include "app/ui/download_records.h"
#include "app/ui/window_fixture.h"
#include "core/network/node_bring_up.h"
#include "core/state/download.h"
#include "platform/desktop.h"
#include "qellib/qel.h"
#include "qellib/settings.h"
#include "support/file_contents.h"
#include "support/free_port.h"
#include "support/scripted_prompts.h"
#include "support/wait.h"

#include <QHeaderView>
#include <QScrollBar>

#include <numeric>

#include <sys/stat.h>

namespace tornel::test {
namespace {

// The real Transfers view with real download records and scripted prompts.
class TransfersViewTest : public WindowTest {
  protected:
    TransfersViewTest() {
        state.ui.prompts = prompts;
        view().timUpdate->stop();  // the tests refresh when they mean to
    }

    ui::TransfersView& view() { return views.frmTrans(); }

    std::shared_ptr<cDownload> addDownload(const std::string& key, int32_t status) {
        return addDownloadRecord(state, folder, key, status);
    }

    void select(std::initializer_list<const char*> keys) {
        view().lvDown->clearSelection();
        for (const char* key : keys) {
            view().lvDown->row(key)->setSelected(true);
        }
    }

    // The enabled buttons by tag, each also showing its enabled picture.
    QStringList enabledButtons() {
        QStringList on;
        for (ui::PictureBox* button : view().imgBtn) {
            const bool enabled = button->isEnabled();
            const QPixmap expected =
                (enabled ? view().imgBtns : view().imgDisabled).picture(button->Index() + 1);
            EXPECT_EQ(button->Picture().cacheKey(), expected.cacheKey()) << button->Tag().data();
            if (enabled) {
                on << button->Tag();
            }
        }
        on.sort();
        return on;
    }

    void addUploadRow(const std::string& reqID, const std::string& status) {
        view().lvUp->addRow(reqID, reqID + ".txt", reqID + ".txt", true);
        view().lvUp->setCellText(reqID, 1, status);
        view().lvUp->setTag(reqID, reqID);
    }

    void click(int index) { view().imgBtn_Click(index); }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    ui::ViewSwitcher views{state, context, core};
};

enum { Status, Stop, File, Folder, Delete, Clear, Chat, Resume };

TEST_F(TransfersViewTest, ButtonsFollowTheSelectedDownloads) {
    struct Case {
        const char* name;
        std::vector<int32_t> downloads;  // keys "D0", "D1", ...
        std::initializer_list<const char*> selected;
        const char* uploadStatus;  // one upload row with this status, or none
        QStringList enabled;
    };
    const std::vector<Case> cases{
        {"no rows", {}, {}, nullptr, {}},
        {"no rows, a finished upload", {}, {}, "Routing failed", {"clear"}},
        {"no rows, a running upload", {}, {}, "Re-routing", {}},
        {"rows, nothing selected", {DL_Downloading, DL_Pending}, {}, nullptr, {"clear"}},
        {"one complete and one cancelled",
         {DL_Complete, DL_Cancelled},
         {"D0", "D1"},
         nullptr,
         {"clear", "delete", "file", "folder"}},
        {"one cancelled",
         {DL_Cancelled},
         {"D0"},
         nullptr,
         {"chat", "clear", "delete", "file", "folder", "resume"}},
        {"one starting", {DL_Starting}, {"D0"}, nullptr, {"chat", "stop"}},
        {"one downloading", {DL_Downloading}, {"D0"}, "Uploading", {"chat", "status", "stop"}},
        {"pending and downloading",
         {DL_Pending, DL_Downloading},
         {"D0", "D1"},
         "Complete",
         {"clear", "status", "stop"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.downloads.clear();
        view().lvDown->clear();
        view().lvUp->clear();
        for (size_t i = 0; i < c.downloads.size(); ++i) {
            addDownload("D" + std::to_string(i), c.downloads[i]);
        }
        view().updateLists();
        if (c.uploadStatus) {
            addUploadRow("U", c.uploadStatus);
        }
        select(c.selected);
        view().updateLists();
        EXPECT_EQ(enabledButtons(), c.enabled);
        view().lvUp->clear();
    }
}

TEST_F(TransfersViewTest, ASelectedRowWhoseDownloadLeftDisablesTheSelectionButtons) {
    addDownload("A", DL_Complete);
    addDownload("B", DL_Complete);
    view().updateLists();
    select({"A", "B"});
    state.downloads.remove("B");
    view().setButtons();
    EXPECT_EQ(enabledButtons(), QStringList{});
}

TEST_F(TransfersViewTest, StopAsksWithEveryNameAndCancelsOnlyWhatStillRuns) {
    const auto first = addDownload("first", DL_Pending);
    const auto second = addDownload("second", DL_Starting);
    view().updateLists();
    select({"first", "second"});
    prompts->whileOpen = [&] { first->Status = DL_Complete; };
    prompts->answers.push_back(PromptAnswer::Yes);
    click(Stop);
    ASSERT_EQ(prompts->shown.size(), 1u);
    EXPECT_EQ(prompts->shown[0].text,
              "Are you sure you want to stop downloading: \r\rfirst.mp3\rsecond.mp3");
    EXPECT_EQ(prompts->shown[0].title, "Cancel");
    EXPECT_EQ(prompts->shown[0].icon, PromptIcon::Question);
    EXPECT_EQ(first->Status, DL_Complete);
    EXPECT_EQ(second->Status, DL_Cancelled);

    // Answered No, nothing changes.
    const auto third = addDownload("third", DL_Pending);
    view().updateLists();
    select({"third"});
    click(Stop);
    EXPECT_EQ(third->Status, DL_Pending);
}

TEST_F(TransfersViewTest, StatusOpenAndDeleteActOnTheSelectedDownloads) {
    const auto running = addDownload("running", DL_Downloading);
    const auto done = addDownload("done", DL_Complete);
    writeFile(done->localPath, "bytes");
    view().updateLists();

    select({"running"});
    click(Status);
    EXPECT_EQ(static_cast<RecordingStatusWindow&>(*running->statusWindow).shown,
              std::vector<bool>{true});

    platform::ScopedDesktopRecorder desktop;
    select({"done"});
    click(File);
    click(Folder);
    EXPECT_EQ(desktop.opened(), (std::vector<std::string>{done->localPath, folder.path()}));

    prompts->answers.push_back(PromptAnswer::Yes);
    click(Delete);
    EXPECT_EQ(prompts->shown.back().text, "Are you sure you wish to delete: \r\rdone.mp3");
    EXPECT_EQ(prompts->shown.back().title, "Delete");
    EXPECT_EQ(prompts->shown.back().icon, PromptIcon::Exclamation);
    EXPECT_FALSE(platform::isRegularFile(done->localPath));
    EXPECT_FALSE(state.downloads.exists("done"));
    EXPECT_FALSE(view().lvDown->rowExists("done"));
    EXPECT_TRUE(state.downloads.exists("running"));
}

TEST_F(TransfersViewTest, DeletingAStoppedDownloadRemovesItsPartialNeverAFileOfItsName) {
    const auto stopped = addDownload("stopped", DL_Cancelled);
    writeFile(stopped->localPath, "the user's own");
    writeFile(stopped->partialPath(), "partial bytes");
    view().updateLists();
    select({"stopped"});
    prompts->answers.push_back(PromptAnswer::Yes);
    click(Delete);
    EXPECT_FALSE(platform::isRegularFile(stopped->partialPath()));
    EXPECT_EQ(readFile(stopped->localPath), "the user's own");
    EXPECT_FALSE(state.downloads.exists("stopped"));
}

TEST_F(TransfersViewTest, DoubleClickOpensAFinishedDownloadAndShowsTheStatusOfAnother) {
    const auto cancelled = addDownload("cancelled", DL_Cancelled);
    const auto pending = addDownload("pending", DL_Pending);
    view().updateLists();
    platform::ScopedDesktopRecorder desktop;
    view().lvDown->setCurrentItem(view().lvDown->row("cancelled"));
    view().lvDown_DblClick();
    EXPECT_EQ(desktop.opened(), std::vector<std::string>{cancelled->localPath});
    view().lvDown->setCurrentItem(view().lvDown->row("pending"));
    view().lvDown_DblClick();
    EXPECT_EQ(static_cast<RecordingStatusWindow&>(*pending->statusWindow).shown,
              std::vector<bool>{true});
}

TEST_F(TransfersViewTest, ClearTakesOnlyFinishedTransfers) {
    state.qelSession = std::make_shared<qel::cQEL>();
    state.qelSession->Initialise("Own", freePort());
    addDownload("complete", DL_Complete);
    addDownload("cancelled", DL_Cancelled);
    addDownload("running", DL_Downloading);
    view().updateLists();
    select({"running"});
    for (const char* status :
         {"Complete", "Uploading", "Cancelled", "Re-routing", "", "Routing failed"}) {
        addUploadRow(std::string("U-") + status, status);
    }
    click(Clear);
    EXPECT_EQ(view().lvDown->keys(), std::vector<std::string>{"running"});
    EXPECT_EQ(state.downloads.count(), 1u);
    EXPECT_EQ(view().lvUp->keys(), (std::vector<std::string>{"U-", "U-Re-routing", "U-Uploading"}));
    state.qelSession->shutDown();
}

TEST_F(TransfersViewTest, ListsShareTheHeightBelowTheButtons) {
    views.Display(view());
    view().setHeight(view().Height() + 1500);
    const double inner = view().ScaleHeight();
    EXPECT_NEAR(view().lvDown->Height(), (inner - 950) * 0.6, 15);
    EXPECT_NEAR(view().lvUp->Top(), 950 + view().lvDown->Height() + 165, 15);
    EXPECT_NEAR(view().lvUp->Height(), inner - view().lvUp->Top() - 165, 15);
    EXPECT_NEAR(view().lvDown->Width(), view().ScaleWidth() - 330, 15);
    EXPECT_EQ(view().lvUp->Width(), view().lvDown->Width());
}

// Column widths of `list`, and where each column starts.
std::vector<int> columnWidths(const QTreeWidget& list) {
    std::vector<int> widths;
    for (int column = 0; column < list.columnCount(); ++column) {
        widths.push_back(list.columnWidth(column));
    }
    return widths;
}
std::vector<int> columnStarts(const QTreeWidget& list) {
    std::vector<int> starts;
    for (int column = 0; column < list.columnCount(); ++column) {
        starts.push_back(list.header()->sectionViewportPosition(column));
    }
    return starts;
}

TEST_F(TransfersViewTest, TheFileColumnKeepsItsShareAndTakesTheSpareWidth) {
    views.Display(view());
    for (int i = 0; i < 25; ++i) {
        addDownload("dl" + std::to_string(i), i % 2 ? DL_Cancelled : DL_Downloading);
    }
    view().updateLists();
    view().lvDown->setCellText("dl1", 1, "Cancelled by sender");
    view().lvDown->setCellText("dl2", 5, "Bartholomew Fitzgerald-Montgomery of the Western Isles");
    const QTreeWidget& list = *view().lvDown;
    const auto othersWidth = [&] {
        const std::vector<int> widths = columnWidths(list);
        return std::accumulate(widths.begin() + 1, widths.end(), 0);
    };
    // Smallest: the file keeps two fifths, the others share the rest.
    view().resize(view().minimumSize());
    QApplication::processEvents();
    const int smallRoom = list.viewport()->width();
    EXPECT_GE(list.columnWidth(0), smallRoom * 2 / 5) << "at the smallest size";
    EXPECT_EQ(list.columnWidth(0) + othersWidth(), smallRoom) << "no blank header";
    const int smallOthers = othersWidth();
    // Large: the others reach their own widths and stop; the file takes the rest.
    view().resize(1100, 760);
    QApplication::processEvents();
    const int largeRoom = list.viewport()->width();
    EXPECT_GE(list.columnWidth(0), largeRoom - othersWidth()) << "at a large size";
    EXPECT_GT(list.columnWidth(0), largeRoom / 2);
    EXPECT_GE(list.columnWidth(1),
              list.fontMetrics().horizontalAdvance(QStringLiteral("Asking Permission")));
    EXPECT_LT(list.columnWidth(5), list.fontMetrics().horizontalAdvance(
                                       QStringLiteral("Bartholomew Fitzgerald-Montgomery")))
        << "a long peer name does not take the file's room";
    EXPECT_GT(othersWidth(), smallOthers);
    view().resize(1400, 760);
    QApplication::processEvents();
    const std::vector<int> wider = columnWidths(list);
    view().resize(1100, 760);
    QApplication::processEvents();
    for (int column = 1; column + 1 < list.columnCount(); ++column) {
        EXPECT_EQ(wider[size_t(column)], list.columnWidth(column))
            << "column " << column << " keeps its width once it has room";
    }
    EXPECT_FALSE(list.horizontalScrollBar()->isVisible());
}

TEST_F(TransfersViewTest, ColumnsStandStillWhileARowChangesAndBothListsLineUp) {
    views.Display(view());
    const auto dl = addDownload("moving", DL_Pending);
    dl->remotePath = "\\a.txt";
    view().updateLists();
    addUploadRow("U1", "Uploading");
    QApplication::processEvents();
    const std::vector<int> before = columnWidths(*view().lvDown);
    for (const auto& [status, extended] : {std::pair{DL_Downloading, "Asking Permission"},
                                           {DL_Downloading, ""},
                                           {DL_Complete, ""},
                                           {DL_Cancelled, "Cancelled by sender"}}) {
        dl->Status = status;
        dl->extendedStatus = extended;
        dl->lngSize = 734003200;
        dl->lngProgress = 312000000;
        view().updateLists();
        QApplication::processEvents();
        EXPECT_EQ(columnWidths(*view().lvDown), before) << "at " << extended << status;
    }
    // Many rows below (a scroll bar) and one above: the columns still line up.
    for (int i = 0; i < 30; ++i) {
        addUploadRow("R" + std::to_string(i), "Complete");
    }
    EXPECT_TRUE(waitUntil([&] { return view().lvUp->verticalScrollBar()->isVisible(); }, 5000));
    QApplication::processEvents();
    EXPECT_EQ(columnStarts(*view().lvDown), columnStarts(*view().lvUp));
    EXPECT_EQ(columnWidths(*view().lvDown), before);
}

// A peer node on loopback sharing a file, and the program's own node.
class TransfersWithPeerTest : public TransfersViewTest {
  protected:
    TransfersWithPeerTest() {
        ::mkdir(folder.file("share").c_str(), 0700);
        for (int i = 0; i < 300000; ++i) {
            content += char('a' + (i * 7) % 26);
        }
        writeFile(folder.file("share/big.bin"), content);
        qel::cSettings settings;
        settings.SaveSetting("nodeID", std::string("PEER-NODE"));
        settings.SaveSetting("Timeout", int64_t{2000});
        peer.Initialise("Peer", peerPort, qel::role_Peer, "PEER", folder.file("share"),
                        settings.getXML());
        peer.Listen();
        state.NodeGUID = "OWN-NODE";
        state.Timeout = 2000;
        state.Port = freePort();
        initNetwork(state);
        EXPECT_FALSE(state.qelSession->Connect("127.0.0.1:" + std::to_string(peerPort)).empty());
    }
    ~TransfersWithPeerTest() override {
        peer.shutDown();
        state.qelSession->shutDown();
    }

    std::string content;
    int peerPort = freePort();
    qel::cQEL peer;
};

TEST_F(TransfersWithPeerTest, ResumeCompletesTheStoppedDownloadByteForByte) {
    const auto stopped = addDownload("stopped", DL_Cancelled);
    stopped->remotePath = "\\big.bin";
    stopped->nodeID = "PEER-NODE";
    stopped->localPath = folder.file("big.bin");
    writeFile(stopped->partialPath(), content.substr(0, 100000));
    stopped->lngProgress = 99999;
    stopped->lngSize = int64_t(content.size());
    view().updateLists();
    select({"stopped"});
    click(Resume);

    EXPECT_FALSE(view().lvDown->rowExists("stopped"));
    ASSERT_EQ(state.downloads.count(), 1u);
    const std::shared_ptr<cDownload> resumed = state.downloads.item(1);
    ASSERT_TRUE(waitUntil([&] { return resumed->Status == DL_Complete; }));
    EXPECT_EQ(readFile(folder.file("big.bin")), content);
    view().updateLists();
    EXPECT_EQ(view().lvDown->keys(), std::vector<std::string>{resumed->Key});
    EXPECT_EQ(view().lvDown->cellText(resumed->Key, 1), "Complete");
}

}  // namespace
}  // namespace tornel::test
