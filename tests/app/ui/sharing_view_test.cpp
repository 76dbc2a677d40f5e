#include "ui/views/sharing_view.h"
#include "app/ui/window_fixture.h"
#include "core/network/node_bring_up.h"
#include "find_api.h"
#include "qellib/qel.h"
#include "qellib/settings.h"
#include "support/file_contents.h"
#include "support/free_port.h"
#include "support/scripted_prompts.h"
#include "support/wait.h"

#include <QSignalSpy>
#include <QTreeWidgetItemIterator>

#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <optional>

namespace tornel::test {
namespace {

using Shares = std::vector<std::string>;

// The Sharing view for real, with the folder tree Music/{Jazz,Rock}, Docs,
// Mu, a, b/a/c and Old/RECYCLER as the home drive, and scripted prompts.
class SharingViewTest : public WindowTest {
  protected:
    SharingViewTest() : previousHome_(readHome()) {
        for (const char* path :
             {"home", "home/Music", "home/Music/Jazz", "home/Music/Rock", "home/Docs", "home/Mu",
              "home/a", "home/b", "home/b/a", "home/b/a/c", "home/Old", "home/Old/RECYCLER"}) {
            ::mkdir(folder.file(path).c_str(), 0700);
        }
        writeFile(folder.file("home/Music/cover.jpg"), "jpeg");
        writeFile(folder.file("home/Music/notes"), "text");
        ::setenv("HOME", home().c_str(), 1);
        state.ui.prompts = prompts;
    }
    ~SharingViewTest() override {
        if (previousHome_) {
            ::setenv("HOME", previousHome_->c_str(), 1);
        } else {
            ::unsetenv("HOME");
        }
    }

    static std::optional<std::string> readHome() {
        const char* value = std::getenv("HOME");
        return value ? std::optional<std::string>(value) : std::nullopt;
    }

    std::string home() const { return folder.file("home"); }
    std::string at(const std::string& relative) const {
        return relative.empty() ? home() : home() + "/" + relative;
    }

    ui::SharingView& view() { return views.frmShared(); }
    QTreeWidgetItem* root() { return view().tvLeft->topLevelItem(0); }
    QTreeWidgetItem* homeDrive() { return root()->child(1); }

    // The node of the folder `relative` to home, its parents expanded as the
    // user would.
    QTreeWidgetItem* node(const std::string& relative) {
        QTreeWidgetItem* current = homeDrive();
        std::string rest = relative;
        while (!rest.empty()) {
            current->setExpanded(true);
            const size_t slash = rest.find('/');
            const QString name = QString::fromStdString(rest.substr(0, slash));
            rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < current->childCount() && !next; ++i) {
                if (current->child(i)->text(0) == name) {
                    next = current->child(i);
                }
            }
            EXPECT_TRUE(next) << relative;
            if (!next) {
                return current;
            }
            current = next;
        }
        return current;
    }

    // The user's click on a node's check box.
    void userCheck(QTreeWidgetItem* item, bool checked) {
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    }

    Shares workShares() {
        Shares paths;
        for (const auto& entry : view().workShares()) {
            paths.push_back(entry.item);
        }
        return paths;
    }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    ui::ViewSwitcher views{state, context, core};

  private:
    std::optional<std::string> previousHome_;
};

TEST_F(SharingViewTest, ShowsTheComputerWithTheRootAndHomeDrivesEachWaitingToLoad) {
    state.sharedFolders.add(home(), home());
    views.showSharing();
    ASSERT_EQ(view().tvLeft->topLevelItemCount(), 1);
    EXPECT_EQ(ui::SharingView::nodeKey(root()), "r");
    EXPECT_EQ(root()->text(0), "Computer");
    EXPECT_EQ(ui::SharingView::nodeImage(root()), "comp");
    ASSERT_EQ(root()->childCount(), 2);
    EXPECT_EQ(ui::SharingView::nodeKey(root()->child(0)), "drive_/");
    EXPECT_EQ(root()->child(0)->text(0), "File System");
    EXPECT_EQ(ui::SharingView::nodeImage(root()->child(0)), "parent_drive");
    EXPECT_EQ(ui::SharingView::nodeKey(homeDrive()), QString::fromStdString("drive_" + home()));
    EXPECT_EQ(homeDrive()->text(0), "Home");
    EXPECT_EQ(homeDrive()->checkState(0), Qt::Checked);
    EXPECT_EQ(ui::SharingView::nodeImage(homeDrive()), "shared");
    for (QTreeWidgetItem* drive : {root()->child(0), homeDrive()}) {
        ASSERT_EQ(drive->childCount(), 1);
        EXPECT_TRUE(ui::SharingView::nodeKey(drive->child(0)).startsWith("ph_"));
        EXPECT_EQ(drive->child(0)->text(0), "Loading");
    }
    EXPECT_FALSE(view().hasUnsavedChanges());
}

struct ShareCase {
    const char* name;
    Shares before;                                     // shared folders, relative to home
    std::vector<std::pair<std::string, bool>> checks;  // the user's clicks, in order
    Shares after;                                      // the working copy, relative to home
    std::map<std::string, Qt::CheckState> checkStates;
    std::map<std::string, QString> images;
};

TEST_F(SharingViewTest, ShareAlgebra) {
    const std::vector<ShareCase> cases{
        {"checking a folder above a share absorbs it; its children show checked",
         {"Music/Jazz"},
         {{"Music", true}},
         {"Music"},
         {{"Music", Qt::Checked}, {"Music/Jazz", Qt::Checked}, {"Music/Rock", Qt::Checked}},
         {{"", "parent_drive"}, {"Music", "shared"}, {"Music/Jazz", "folder"}, {"Mu", "folder"}}},
        {"unchecking a child of a share shares its checked siblings instead",
         {"Music"},
         {{"Music/Jazz", false}},
         {"Music/Rock"},
         {{"Music", Qt::Unchecked}, {"Music/Jazz", Qt::Unchecked}, {"Music/Rock", Qt::Checked}},
         {{"Music", "parent"}, {"Music/Rock", "shared"}, {"Music/Jazz", "folder"}}},
        {"a drive is stored as its root",
         {},
         {{"", true}},
         {""},
         {{"", Qt::Checked}, {"Docs", Qt::Checked}},
         {{"", "shared"}, {"Docs", "folder"}}},
        {"a share whose path holds another's name stays beside it",
         {"b/a/c"},
         {{"a", true}},
         {"b/a/c", "a"},
         {{"a", Qt::Checked}, {"b/a/c", Qt::Checked}, {"b", Qt::Unchecked}},
         {{"a", "shared"}, {"b", "parent"}, {"b/a", "parent"}, {"b/a/c", "shared"}}},
        {"a folder whose name begins another's is no parent of it",
         {},
         {{"Music", true}},
         {"Music"},
         {},
         {{"Mu", "folder"}, {"Music", "shared"}}},
        {"unchecking the only share empties the set",
         {"Music"},
         {{"Music", false}},
         {},
         {{"Music", Qt::Unchecked}, {"Music/Jazz", Qt::Unchecked}},
         {{"", "drive"}, {"Music", "folder"}}},
    };
    for (const ShareCase& c : cases) {
        SCOPED_TRACE(c.name);
        state.sharedFolders.clear();
        for (const std::string& path : c.before) {
            state.sharedFolders.add(at(path), at(path));
        }
        views.showSharing();
        for (const auto& [path, checked] : c.checks) {
            userCheck(node(path), checked);
        }
        Shares expected;
        for (const std::string& path : c.after) {
            expected.push_back(at(path));
        }
        std::sort(expected.begin(), expected.end());
        Shares actual = workShares();
        std::sort(actual.begin(), actual.end());
        EXPECT_EQ(actual, expected);
        EXPECT_EQ(view().hasUnsavedChanges(), !c.checks.empty());
        for (const auto& [path, checkState] : c.checkStates) {
            EXPECT_EQ(node(path)->checkState(0), checkState) << path;
        }
        for (const auto& [path, image] : c.images) {
            EXPECT_EQ(ui::SharingView::nodeImage(node(path)), image) << path;
        }
        // Answered No: the next case starts from the settings again.
        prompts->answers.push_back(PromptAnswer::No);
    }
}

TEST_F(SharingViewTest, TheComputerItselfCannotBeChecked) {
    views.showSharing();
    userCheck(root(), true);
    EXPECT_EQ(root()->checkState(0), Qt::Unchecked);
    EXPECT_TRUE(workShares().empty());
    EXPECT_FALSE(view().hasUnsavedChanges());
}

TEST_F(SharingViewTest, HomeInsideASharedRootShowsSharedAndCheckingItAddsNothing) {
    views.showSharing();
    userCheck(root()->child(0), true);
    EXPECT_EQ(workShares(), Shares{"/"});
    EXPECT_EQ(homeDrive()->checkState(0), Qt::Checked);
    EXPECT_EQ(ui::SharingView::nodeImage(homeDrive()), "shared");
    userCheck(homeDrive(), false);
    userCheck(homeDrive(), true);
    EXPECT_EQ(workShares(), Shares{"/"});
    EXPECT_EQ(homeDrive()->checkState(0), Qt::Checked);
}

TEST_F(SharingViewTest, ChecksSetByTheViewRaiseNoCheckEvent) {
    views.showSharing();
    QSignalSpy spy(&view(), &ui::SharingView::NodeCheck);
    QTreeWidgetItem* music = node("Music");
    userCheck(music, true);
    EXPECT_EQ(spy.count(), 1);
    // The children were checked by the view when Music was checked, and
    // again when it is expanded and collapsed: none of that is an event.
    music->setExpanded(false);
    music->setExpanded(true);
    EXPECT_EQ(node("Music/Jazz")->checkState(0), Qt::Checked);
    views.showSharing();
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(workShares(), Shares{});
}

TEST_F(SharingViewTest, FoldersLoadLazilyWithAnExpandSignOnlyWhereThereAreSubfolders) {
    views.showSharing();
    EXPECT_EQ(homeDrive()->child(0)->text(0), "Loading");
    homeDrive()->setExpanded(true);
    QStringList names;
    for (int i = 0; i < homeDrive()->childCount(); ++i) {
        names << homeDrive()->child(i)->text(0);
    }
    EXPECT_EQ(names, (QStringList{"a", "b", "Docs", "Mu", "Music", "Old"}));
    EXPECT_EQ(node("Music")->childCount(), 1);
    EXPECT_EQ(node("Music")->child(0)->text(0), "Loading");
    EXPECT_EQ(node("Docs")->childCount(), 0);
    EXPECT_EQ(node("Music")->child(0)->text(0), "Loading");
    EXPECT_EQ(node("Music/Jazz")->parent()->childCount(), 2);

    // A folder holding only a system folder has an expand sign that opens
    // onto nothing while system files are hidden.
    QTreeWidgetItem* old = node("Old");
    ASSERT_EQ(old->childCount(), 1);
    old->setExpanded(true);
    EXPECT_EQ(old->childCount(), 0);

    state.HideSystemFiles = false;
    views.showSharing();
    EXPECT_EQ(node("Old/RECYCLER")->text(0), "RECYCLER");
}

TEST_F(SharingViewTest, ASearchThatFailsLeavesTheNodeEmptyAndIsLogged) {
    views.showSharing();
    {
        const orv::ScopedFolderReader failing(
            [](const std::string&) -> platform::FolderListing { throw std::bad_alloc(); });
        homeDrive()->setExpanded(true);
    }
    EXPECT_EQ(homeDrive()->childCount(), 0);
    EXPECT_NE(readFile(state.programFile("Log.txt")).find("listFolders"), std::string::npos);
}

TEST_F(SharingViewTest, ClickingAFolderListsItsFoldersThenFilesAndEnterOpensAFolder) {
    views.showSharing();
    QTreeWidgetItem* music = node("Music");
    view().tvLeft_NodeClick(music);
    QStringList entries;
    QStringList tags;
    for (int i = 0; i < view().lstFiles->count(); ++i) {
        entries << view().lstFiles->item(i)->text();
        tags << view().lstFiles->item(i)->data(Qt::UserRole).toString();
    }
    EXPECT_EQ(entries, (QStringList{"Jazz", "Rock", "cover.jpg", "notes"}));
    EXPECT_EQ(tags, (QStringList{"Folder", "Folder", "File", "File"}));
    EXPECT_EQ(music->childCount(), 2);  // loaded by the click

    // A double-click beside the entries does nothing; Enter opens "Rock".
    view().lstFiles->setCurrentRow(1);
    view().lstFiles_MouseUp(QPoint(-5, -5));
    view().lstFiles_DblClick();
    EXPECT_EQ(view().tvLeft->currentItem(), nullptr);
    view().lstFiles_KeyPress(13);
    EXPECT_EQ(view().tvLeft->currentItem(), node("Music/Rock"));
    EXPECT_EQ(view().lstFiles->count(), 0);
}

// The node of the program and a peer on loopback that lists its shares.
class SharingWithNodeTest : public SharingViewTest {
  protected:
    SharingWithNodeTest() {
        state.NodeGUID = "OWN-NODE";
        state.Timeout = 300;
        state.Port = freePort();
        initNetwork(state);
        qel::cSettings settings;
        settings.SaveSetting("nodeID", std::string("PEER-NODE"));
        settings.SaveSetting("Timeout", int64_t{1000});
        peer.Initialise("Peer", freePort(), qel::role_Peer, "PEER", "", settings.getXML());
        EXPECT_FALSE(peer.Connect("127.0.0.1:" + std::to_string(state.Port)).empty());
    }
    ~SharingWithNodeTest() override {
        peer.shutDown();
        state.qelSession->shutDown();
    }

    qel::StringArray peerListing() {
        std::string top = "\\";
        return peer.getContents(top, state.NodeGUID);
    }

    qel::cQEL peer;
};

TEST_F(SharingWithNodeTest, SavingAfterCheckingSharesTheFolderAndUncheckingStopsIt) {
    views.showSharing();
    EXPECT_EQ(peerListing(), qel::StringArray{""});
    userCheck(node("Music"), true);
    EXPECT_TRUE(prompts->shown.empty());

    prompts->answers.push_back(PromptAnswer::Yes);
    views.showExplore();
    ASSERT_EQ(prompts->shown.size(), 1u);
    EXPECT_EQ(prompts->shown[0].text,
              "Do you wish to save the changes you have made to your shared folders?");
    EXPECT_EQ(prompts->shown[0].title, "Save Changes");
    EXPECT_EQ(prompts->shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompts->shown[0].icon, PromptIcon::Question);
    ASSERT_EQ(state.sharedFolders.count(), 1u);
    EXPECT_EQ(state.sharedFolders.item(1), at("Music"));
    EXPECT_EQ(peerListing(),
              (qel::StringArray{"", "\\Jazz\\", "\\Rock\\", "\\cover.jpg", "\\notes"}));

    // Saved: showing the view again asks nothing.
    views.showSharing();
    EXPECT_EQ(prompts->shown.size(), 1u);
    userCheck(node("Music"), false);
    prompts->answers.push_back(PromptAnswer::Yes);
    views.closeForm(view());
    EXPECT_EQ(prompts->shown.size(), 2u);
    EXPECT_EQ(state.sharedFolders.count(), 0u);
    EXPECT_EQ(peerListing(), qel::StringArray{""});
}

TEST_F(SharingWithNodeTest, UnsavedEditsStayUntilTheViewIsShownAgainWhichAsksOnceMore) {
    views.showSharing();
    userCheck(node("Docs"), true);
    prompts->answers.push_back(PromptAnswer::No);
    views.showTransfers();
    EXPECT_EQ(prompts->shown.size(), 1u);
    EXPECT_EQ(workShares(), Shares{at("Docs")});
    EXPECT_EQ(node("Docs")->checkState(0), Qt::Checked);
    EXPECT_TRUE(state.sharedFolders.empty());

    // Showing the view again would drop the edits: it asks first.
    prompts->answers.push_back(PromptAnswer::No);
    views.showSharing();
    EXPECT_EQ(prompts->shown.size(), 2u);
    EXPECT_TRUE(workShares().empty());
    EXPECT_EQ(node("Docs")->checkState(0), Qt::Unchecked);
    EXPECT_FALSE(view().hasUnsavedChanges());

    // Without edits nothing is asked; the copy saved is not the view's own.
    views.showExplore();
    EXPECT_EQ(prompts->shown.size(), 2u);
    views.showSharing();
    userCheck(node("Docs"), true);
    prompts->answers.push_back(PromptAnswer::Yes);
    view().saveShared();
    userCheck(node("Mu"), true);
    EXPECT_EQ(state.sharedFolders.count(), 1u);
    EXPECT_EQ(peerListing(), qel::StringArray{""});  // Docs is empty
}

}  // namespace
}  // namespace tornel::test
