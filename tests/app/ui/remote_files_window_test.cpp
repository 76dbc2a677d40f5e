#include "app/ui/classic_fixture.h"
#include "core/state/download.h"
#include "ui/classic/transfers_window.h"
#include "ui/skinned/window_section.h"

#include <QPointer>
#include <QTimer>

namespace tornel {
namespace {

using test::entries;
using test::entryNamed;
using test::middleOf;
using test::waitUntil;
using ui::RemoteFilesWindow;

class RemoteFilesTest : public test::ClassicTest {
  protected:
    void SetUp() override {
        connectPeers();
        ASSERT_TRUE(waitUntil([&] {
            return test::knowsNodeOnPort(*state.qelSession, "SHARER", sharer.port) &&
                   test::knowsNodeOnPort(*state.qelSession, "PLAIN", plain.port);
        }));
        shell->showSharedFiles(known("SHARER"));
        frm = filesWindow("SHARER");
        ASSERT_TRUE(frm);
    }

    std::string status() const { return frm->statusText->text().toStdString(); }
    bool enabled(const char* key) const { return frm->tbMain->isButtonEnabled(key); }
    // Makes `name` the current entry and releases the mouse over it.
    void pointAt(const std::string& name) {
        QListWidgetItem* entry = entryNamed(*frm->lstFiles, name);
        ASSERT_TRUE(entry) << name;
        frm->lstFiles->setCurrentItem(entry);
        const auto [x, y] = middleOf(*frm->lstFiles, entry);
        frm->lstFiles_MouseUp(1, x, y);
    }
    std::vector<std::string> remotePaths() const {
        std::vector<std::string> paths;
        for (const auto& dl : state.downloads.snapshot()) {
            paths.push_back(dl->remotePath + " > " + dl->localPath);
        }
        return paths;
    }

    QPointer<RemoteFilesWindow> frm;
};

TEST_F(RemoteFilesTest, ListsAFolderWithItsIconsAndTheNavigationButtons) {
    EXPECT_EQ(frm->windowTitle(), "Files - Sharing Sam");
    EXPECT_EQ(frm->currentPath(), "\\");
    EXPECT_EQ(entries(*frm->lstFiles), (std::vector<std::string>{"Folder:A", "File:top.zip"}));
    EXPECT_TRUE(test::shows(frm->lstFiles->item(0)->icon(),
                            frm->listIcons.picture(RemoteFilesWindow::imgFolder)));
    EXPECT_TRUE(test::shows(frm->lstFiles->item(1)->icon(),
                            frm->listIcons.picture(RemoteFilesWindow::imgFile)));
    EXPECT_EQ(status(), "2 items");
    EXPECT_FALSE(enabled("home"));
    EXPECT_FALSE(enabled("up"));
    EXPECT_FALSE(enabled("download"));

    pointAt("A");
    frm->lstFiles_KeyPress(13);
    EXPECT_EQ(frm->currentPath(), "\\A\\");
    EXPECT_EQ(entries(*frm->lstFiles),
              (std::vector<std::string>{"Folder:B", "File:f1.txt", "File:f2.txt"}));
    EXPECT_EQ(status(), "3 items");
    EXPECT_TRUE(enabled("home"));
    EXPECT_TRUE(enabled("up"));

    frm->tbMain->button("up")->trigger();
    EXPECT_EQ(frm->currentPath(), "\\");
    EXPECT_EQ(status(), "2 items");

    // A path the node refuses lists nothing.
    frm->browseFolder(known("SHARER"), "\\..\\");
    EXPECT_EQ(frm->lstFiles->count(), 0);
    EXPECT_EQ(status(), "0 items");
}

TEST(RemoteFilesPaths, UpCutsTheLastFolder) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"\\A\\B\\", "\\A\\"}, {"\\A\\", "\\"}, {"\\", "\\"}, {"\\A B\\C D\\E\\", "\\A B\\C D\\"}};
    for (const auto& [path, parent] : cases) {
        EXPECT_EQ(RemoteFilesWindow::parentPath(path), parent) << path;
    }
}

TEST_F(RemoteFilesTest, DoubleClickDownloadsTheSelectedFilesOnceTheMouseWasOverThem) {
    frm->browseFolder(known("SHARER"), "\\A\\");
    QListWidgetItem* f1 = entryNamed(*frm->lstFiles, "f1.txt");
    QListWidgetItem* f2 = entryNamed(*frm->lstFiles, "f2.txt");
    frm->lstFiles->setCurrentItem(f1);
    f2->setSelected(true);
    // The listing reset the mouse position: a double-click does nothing yet.
    frm->lstFiles_DblClick();
    frm->lstFiles_KeyPress(13);
    EXPECT_TRUE(state.downloads.empty());

    pointAt("B");
    EXPECT_FALSE(enabled("download"));
    pointAt("f1.txt");
    EXPECT_TRUE(enabled("download"));
    f2->setSelected(true);
    frm->lstFiles_DblClick();
    const std::string to = state.DownloadPath + "/";
    EXPECT_EQ(remotePaths(), (std::vector<std::string>{"\\A\\f1.txt > " + to + "f1.txt",
                                                       "\\A\\f2.txt > " + to + "f2.txt"}));
    ASSERT_TRUE(waitUntil([&] {
        const auto all = state.downloads.snapshot();
        return std::all_of(all.begin(), all.end(),
                           [](const auto& dl) { return dl->Status == DL_Complete; });
    }));
    EXPECT_EQ(test::readFile(to + "f1.txt"), f1Bytes);
    EXPECT_EQ(test::readFile(to + "f2.txt"), f2Bytes);

    // The transfers window shows them, and its commands act on them.
    shell->views().showTransfers();
    ui::TransfersWindow* transfers = shell->classicWindows().frmTransfers();
    ASSERT_TRUE(transfers);
    EXPECT_TRUE(transfers->isVisible());
    ASSERT_EQ(transfers->lvDown->rowCount(), 2);
    const std::string key = transfers->lvDown->keys().front();
    EXPECT_EQ(transfers->lvDown->cellText(key, 1), "Complete");
    transfers->lvDown->setCurrentItem(transfers->lvDown->row(key));
    transfers->lvDown_Click();
    EXPECT_TRUE(transfers->tbMain->isButtonEnabled("delete"));
    EXPECT_TRUE(transfers->tbMain->isButtonEnabled("file"));
    EXPECT_FALSE(transfers->tbMain->isButtonEnabled("stop"));
    prompts->answers.push_back(PromptAnswer::Yes);
    transfers->tbMain->button("delete")->trigger();
    EXPECT_FALSE(std::filesystem::exists(to + "f1.txt"));
    EXPECT_EQ(transfers->lvDown->rowCount(), 1);
    transfers->tbMain->button("clear")->trigger();
    EXPECT_EQ(transfers->lvDown->rowCount(), 0);
    EXPECT_TRUE(state.downloads.empty());
    EXPECT_TRUE(std::filesystem::exists(to + "f2.txt"));
}

TEST_F(RemoteFilesTest, AListingStartedDuringAnotherWins) {
    frm->browseFolder(known("SHARER"), "\\A\\");
    bool nested = false;
    bool outerReturned = false;
    QTimer::singleShot(0, frm, [&] {
        nested = !outerReturned;
        frm->tbMain->button("home")->trigger();
    });
    frm->tbMain->button("refresh")->trigger();
    outerReturned = true;
    ASSERT_TRUE(nested);
    EXPECT_EQ(frm->currentPath(), "\\");
    EXPECT_EQ(entries(*frm->lstFiles), (std::vector<std::string>{"Folder:A", "File:top.zip"}));
    EXPECT_EQ(status(), "2 items");
    EXPECT_FALSE(enabled("home"));
}

TEST_F(RemoteFilesTest, KeepsItsSmallestSizeAndSavesItsPlacementWhenClosed) {
    frm->setWidth(3000);
    frm->setHeight(3000);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(frm->Width(), 5100);
    EXPECT_DOUBLE_EQ(frm->Height(), 4000);
    EXPECT_DOUBLE_EQ(frm->lstFiles->Width(), frm->ScaleWidth() - 250);
    EXPECT_DOUBLE_EQ(frm->lstFiles->Height(), frm->ScaleHeight() - 1550);
    const QRect inside = frm->rect();
    for (QWidget* control : std::initializer_list<QWidget*>{frm->tbMain, frm->lstFiles, frm->sbMain,
                                                            frm->heading.Image1}) {
        EXPECT_TRUE(inside.contains(control->geometry())) << control->objectName().toStdString();
    }

    frm->close();
    EXPECT_TRUE(state.filesWindows.empty());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frm);
    const ui::WindowSection section(state.windowSettings, QStringLiteral("frmFiles"));
    EXPECT_DOUBLE_EQ(section.read("width", -1.0), 5100);
    EXPECT_DOUBLE_EQ(section.read("height", -1.0), 4000);
}

TEST_F(RemoteFilesTest, TheStatusTextLinesUpWithTheListAndHasRoomBelow) {
    frm->setWidth(7000);
    QApplication::processEvents();
    ui::ElidedLabel& text = *frm->statusText;
    const int textLeft = text.mapTo(frm.data(), QPoint(text.indent(), 0)).x();
    EXPECT_EQ(textLeft, frm->lstFiles->x());
    EXPECT_TRUE(frm->rect().contains(QRect(text.mapTo(frm.data(), QPoint(0, 0)), text.size())));
    EXPECT_EQ(text.alignment() & Qt::AlignVertical_Mask, Qt::AlignVCenter);
    EXPECT_GE(text.height() - text.fontMetrics().height(), 4);
}

TEST_F(RemoteFilesTest, AWindowClosedWhileItsListingWaitsIsLeftAlone) {
    QTimer::singleShot(0, frm, [&] {
        frm->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
    frm->tbMain_ButtonClick(QStringLiteral("refresh"));
    EXPECT_TRUE(state.filesWindows.empty());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frm);
    EXPECT_EQ(logText(), "");
}

TEST_F(RemoteFilesTest, OneWindowPerNodeAndNoneForANodeThatSharesNothing) {
    shell->showSharedFiles(known("SHARER"));
    EXPECT_EQ(state.filesWindows.count(), 1U);
    shell->showSharedFiles(known("PLAIN"));
    EXPECT_EQ(state.filesWindows.count(), 1U);
    ASSERT_EQ(prompts->shown.size(), 1U);
    EXPECT_EQ(prompts->shown[0].text, "'Plain Pat' is not sharing any files.");
    EXPECT_EQ(prompts->shown[0].icon, PromptIcon::Information);
}

TEST_F(RemoteFilesTest, ChatAndSendGoToTheSameUser) {
    frm->tbMain->button("chat")->trigger();
    EXPECT_TRUE(state.chatWindows.exists("SHARER"));
    frm->tbMain->button("send")->trigger();
    EXPECT_EQ(core.pushes, std::vector<std::string>{"SHARER"});
}

}  // namespace
}  // namespace tornel
