#include "core/network/controller.h"
#include "core/state/download.h"
#include "explore_fixture.h"

#include <QTest>
#include <QTimer>

#include <algorithm>

namespace tornel::test {
namespace {

using ui::ExploreView;
using ui::KeyedTree;
using Strings = std::vector<std::string>;

TEST_F(ExploreTest, BothPeersAreListedWithTheirPicturesAndOnlyTheSharerCanBeOpened) {
    searchUsers();
    ExploreView& view = explore();
    EXPECT_TRUE(tree().isEnabled());
    EXPECT_TRUE(list().isEnabled());
    EXPECT_FALSE(view.timRefresh->isActive());
    KeyedTree::Node* root = tree().node("r");
    ASSERT_TRUE(root);
    EXPECT_EQ(KeyedTree::text(root), "Network");
    EXPECT_EQ(KeyedTree::image(root), ExploreView::imgNetwork);
    EXPECT_TRUE(root->isExpanded());

    KeyedTree::Node* sam = userNode();
    KeyedTree::Node* pat = tree().node("user_PLAIN");
    EXPECT_EQ(sam->parent(), root);
    EXPECT_EQ(KeyedTree::text(sam), "Sharing Sam");
    EXPECT_EQ(KeyedTree::image(sam), ExploreView::imgUserSharing);
    EXPECT_EQ(KeyedTree::tag(sam), "SHARER");
    EXPECT_EQ(children(sam), Strings{"Loading"});
    EXPECT_EQ(KeyedTree::key(sam->child(0)), "ph_SHARER");
    EXPECT_EQ(KeyedTree::text(pat), "Plain Pat");
    EXPECT_EQ(KeyedTree::image(pat), ExploreView::imgUserNotSharing);
    EXPECT_EQ(pat->childCount(), 0);
    EXPECT_EQ(state.userCount, 2);

    // Expanding the sharer lists the folders of its (one) share; each
    // folder waits for its own listing.
    sam->setExpanded(true);
    EXPECT_EQ(view.currentNodeID(), "SHARER");
    EXPECT_EQ(children(sam), (Strings{"A", "sys"}));
    KeyedTree::Node* a = child(sam, "A");
    EXPECT_EQ(KeyedTree::image(a), ExploreView::imgFolder);
    EXPECT_EQ(KeyedTree::tag(a), "SHARER");
    EXPECT_EQ(children(a), Strings{"Loading"});
    EXPECT_TRUE(KeyedTree::key(a->child(0)).startsWith("ph_"));

    // The user who shares nothing has no folders: clicking lists an empty top level.
    view.tvLeft_NodeClick(pat);
    EXPECT_TRUE(list().isEnabled());
    EXPECT_EQ(list().count(), 0);
    EXPECT_EQ(view.currentPath(), "\\");
    EXPECT_EQ(logText(), "");
}

// The folders in the order of the answer, then the files (in the order the
// peer's folder gives them) sorted.
Strings sortedFiles(Strings shown) {
    const auto files = std::find_if(shown.begin(), shown.end(),
                                    [](const std::string& e) { return e.starts_with("File:"); });
    EXPECT_TRUE(std::all_of(files, shown.end(),
                            [](const std::string& e) { return e.starts_with("File:"); }));
    std::sort(files, shown.end());
    return shown;
}

TEST_F(ExploreTest, ASubFolderListsFoldersFirstThenFilesWithTheirIcons) {
    searchUsers();
    KeyedTree::Node* a = open({"A"});
    ASSERT_TRUE(a);
    EXPECT_EQ(explore().currentPath(), "A\\");
    EXPECT_EQ(sortedFiles(entries()),
              (Strings{"Folder:B", "Folder:C", "File:README", "File:photo.png"}));
    EXPECT_EQ(children(a), (Strings{"B", "C"}));

    QListWidgetItem* photo = entry("photo.png");
    QListWidgetItem* readme = entry("README");
    EXPECT_FALSE(photo->icon().isNull());
    EXPECT_FALSE(readme->icon().isNull());
    EXPECT_TRUE(explore().imgUsers.contains("png_ext"));
    EXPECT_TRUE(explore().imgUsers.contains("noiconext_ext"));
    EXPECT_EQ(explore().imgUsers.count(), 7 + 2);

    // With system names shown, Thumbs.db is listed too.
    state.HideSystemFiles = false;
    explore().tvLeft_NodeClick(a);
    EXPECT_EQ(sortedFiles(entries()),
              (Strings{"Folder:B", "Folder:C", "File:README", "File:Thumbs.db", "File:photo.png"}));
    EXPECT_TRUE(explore().imgUsers.contains("db_ext"));
}

TEST_F(ExploreTest, ADoubleClickOnAFileDownloadsItByteForByteIntoTheDownloadFolder) {
    searchUsers();
    ASSERT_TRUE(open({"A", "B"}));
    EXPECT_EQ(explore().currentPath(), "A\\B\\");
    EXPECT_EQ(entries(), (Strings{"File:F.txt", "File:notes.md"}));
    QListWidgetItem* f = entry("F.txt");
    const QPoint at = list().visualItemRect(f).center();
    QTest::mouseClick(list().viewport(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_TRUE(buttonEnabled(3));
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, Qt::NoModifier, at);

    ASSERT_EQ(state.downloads.count(), 1u);
    const std::shared_ptr<cDownload> dl = state.downloads.item(1);
    EXPECT_EQ(dl->remotePath, "\\A\\B\\F.txt");
    EXPECT_EQ(dl->nodeID, "SHARER");
    EXPECT_EQ(dl->localPath, state.DownloadPath + "/F.txt");
    ASSERT_TRUE(waitUntil([&] { return dl->Status >= DL_Complete; }));
    EXPECT_EQ(dl->Status, DL_Complete);
    EXPECT_TRUE(readFile(state.DownloadPath + "/F.txt") == fileBytes);
}

TEST_F(ExploreTest, TheButtonsFollowTheSelection) {
    searchUsers();
    ExploreView& view = explore();
    enum { Refresh, Chat, Send, Download };
    view.tvLeft_NodeClick(tree().node("r"));
    EXPECT_TRUE(buttonEnabled(Refresh));
    EXPECT_FALSE(buttonEnabled(Chat));
    EXPECT_FALSE(buttonEnabled(Send));
    EXPECT_FALSE(buttonEnabled(Download));
    EXPECT_FALSE(list().isEnabled());

    open({"A"});
    EXPECT_TRUE(buttonEnabled(Chat));
    EXPECT_TRUE(buttonEnabled(Send));
    EXPECT_FALSE(buttonEnabled(Download));

    struct Case {
        Strings selected;
        bool download;
    };
    const Case cases[] = {{{"photo.png"}, true},
                          {{"B"}, false},
                          {{"photo.png", "README"}, true},
                          {{"photo.png", "C"}, false}};
    for (const Case& c : cases) {
        list().clearSelection();
        for (const std::string& name : c.selected) {
            entry(name)->setSelected(true);
        }
        view.lstFiles_ItemClick();
        EXPECT_EQ(buttonEnabled(Download), c.download) << c.selected.front();
    }

    // Chat and Send act on the user whose files are shown.
    QTest::mouseClick(view.imgBtn[Chat], Qt::LeftButton);
    QTest::mouseClick(view.imgBtn[Send], Qt::LeftButton);
    EXPECT_EQ(shell->chats, Strings{"SHARER"});
    EXPECT_EQ(core.pushes, Strings{"SHARER"});

    // A placeholder acts on the user held: the list empties, Chat stays.
    view.tvLeft_NodeClick(child(child(userNode(), "A"), "C")->child(0));
    EXPECT_FALSE(list().isEnabled());
    EXPECT_TRUE(buttonEnabled(Chat));
}

TEST_F(ExploreTest, AListingThatArrivesAfterAnotherClickDoesNotOverwriteTheList) {
    searchUsers();
    KeyedTree::Node* a = open({"A"});
    KeyedTree::Node* b = child(a, "B");
    KeyedTree::Node* c = child(a, "C");
    // While B's listing waits, the user clicks C: C's listing ends first,
    // then B's answer comes and is dropped.
    QTimer::singleShot(0, [&] { explore().tvLeft_NodeClick(c); });
    explore().tvLeft_NodeClick(b);
    EXPECT_EQ(entries(), Strings{"File:c.txt"});
    EXPECT_EQ(explore().currentPath(), "A\\C\\");
    EXPECT_EQ(explore().currentNode(), c);
    EXPECT_TRUE(list().isEnabled());
}

TEST_F(ExploreTest, AUsersSearchDuringAListingDropsItsAnswer) {
    searchUsers();
    userNode()->setExpanded(true);
    QTimer::singleShot(0, [&] { explore().showUsers(); });
    explore().tvLeft_NodeClick(child(userNode(), "A"));
    // The new search listed the users again (which empties the list); the
    // old answer wrote nothing.
    EXPECT_EQ(list().count(), 0);
    EXPECT_EQ(explore().currentPath(), "");
    EXPECT_EQ(explore().currentNodeID(), "ABORT");
    EXPECT_EQ(logText(), "");
}

TEST_F(ExploreTest, ADoubleClickCountsOnlyOverTheSelectedEntryWhileEnterAlwaysActs) {
    searchUsers();
    ASSERT_TRUE(open({"A", "B"}));
    QListWidgetItem* notes = entry("notes.md");
    list().setCurrentItem(notes);
    const QRect box = list().visualItemRect(notes);
    explore().lstFiles_MouseUp(1, ui::pixelsToTwips(box.right() + 40),
                               ui::pixelsToTwips(box.center().y()));
    explore().lstFiles_DblClick();
    EXPECT_EQ(state.downloads.count(), 0u);

    QTest::keyClick(&list(), Qt::Key_Return);
    ASSERT_EQ(state.downloads.count(), 1u);
    EXPECT_EQ(state.downloads.item(1)->remotePath, "\\A\\B\\notes.md");
}

TEST_F(ExploreTest, EnterOnAFolderOpensItsNodeOnlyOnceTheNodeExists) {
    searchUsers();
    // The user clicked, not expanded: the click's own expand lists the
    // folders in the tree, and Enter on A opens A's node.
    KeyedTree::Node* sam = userNode();
    explore().tvLeft_NodeClick(sam);
    EXPECT_FALSE(sam->isExpanded());
    list().setCurrentItem(entry("A"));
    QTest::keyClick(&list(), Qt::Key_Return);
    EXPECT_EQ(explore().currentPath(), "A\\");
    KeyedTree::Node* a = child(sam, "A");
    EXPECT_EQ(tree().currentItem(), a);
    EXPECT_TRUE(sam->isExpanded());

    // A folder entry whose node is missing does nothing.
    tree().removeSubnodes(a);
    list().setCurrentItem(entry("B"));
    QTest::keyClick(&list(), Qt::Key_Return);
    EXPECT_EQ(explore().currentPath(), "A\\");
}

TEST_F(ExploreTest, AFolderWithOnlySystemSubfoldersKeepsThemOnceListedButLosesItsSignOtherwise) {
    searchUsers();
    userNode()->setExpanded(true);
    KeyedTree::Node* sys = child(userNode(), "sys");
    // Expanded first: the tree lists RECYCLER, the click hides it from the list only.
    sys->setExpanded(true);
    EXPECT_EQ(children(sys), Strings{"RECYCLER"});
    explore().tvLeft_NodeClick(sys);
    EXPECT_EQ(entries(), Strings{});
    EXPECT_EQ(children(sys), Strings{"RECYCLER"});

    // Clicked before it was ever expanded: the placeholder goes, nothing is fetched.
    explore().showUsers();
    ASSERT_TRUE(waitUntil([&] { return userNode() != nullptr; }));
    userNode()->setExpanded(true);
    sys = child(userNode(), "sys");
    explore().tvLeft_NodeClick(sys);
    EXPECT_EQ(sys->childCount(), 0);
}

TEST_F(ExploreTest, HostileNamesInAListingNeverLeaveTheDownloadFolder) {
    searchUsers();
    explore().tvLeft_NodeClick(userNode());
    ASSERT_EQ(explore().currentPath(), "\\");
    // Entries as a hostile peer could list them.
    list().clear();
    const std::string nul("a\0b", 3);
    for (const std::string& name :
         {std::string("x/../../.bashrc"), std::string(".."), std::string("."), std::string(""),
          std::string("dir\\..\\..\\up"), nul, std::string("ok.txt")}) {
        list().addEntry(name, {}, QStringLiteral("File"))->setSelected(true);
    }
    explore().imgBtn_Click(3);
    Strings localPaths;
    for (size_t k = 1; k <= state.downloads.count(); ++k) {
        localPaths.push_back(state.downloads.item(k)->localPath);
    }
    EXPECT_EQ(localPaths, (Strings{state.DownloadPath + "/.bashrc", state.DownloadPath + "/up",
                                   state.DownloadPath + "/ok.txt"}));
    EXPECT_NE(logText().find("[fileClick]"), std::string::npos);
}

TEST_F(ExploreTest, WithoutUsersTheTreeSaysSoAfterTimeoutAndIgnoresLateAnnouncements) {
    state.qelSession->disconnectAll();
    explore().showUsers();
    EXPECT_EQ(KeyedTree::text(tree().node("r")), "Searching");
    EXPECT_FALSE(tree().isEnabled());
    ASSERT_TRUE(waitUntil([&] { return state.searchTimedOut; }));
    ASSERT_EQ(tree().nodes().size(), 1u);
    EXPECT_EQ(KeyedTree::text(tree().nodes()[0]), "No users online");
    EXPECT_EQ(KeyedTree::image(tree().nodes()[0]), ExploreView::imgNoUsers);
    EXPECT_FALSE(tree().isEnabled());
    EXPECT_TRUE(explore().timRefresh->isActive());

    // A node that answers now is not listed until the next check.
    state.qelSession->Connect(sharer.address());
    qel::typNodeInfo late;
    late.ID = "SHARER";
    late.Name = "Sharing Sam";
    late.Descriptor = "TORNEL_NODE";
    state.controller->nodeInfo(late);
    EXPECT_EQ(tree().nodes().size(), 1u);
    explore().startNewCheck();
    EXPECT_TRUE(waitUntil([&] { return userNode() != nullptr; }));
}

TEST_F(ExploreTest, ASearchWhileConnectingOnlyRemembersIt) {
    state.connecting = true;
    explore().showUsers();
    EXPECT_TRUE(state.usersRefreshPending);
    EXPECT_FALSE(state.usersSearched);
    EXPECT_EQ(KeyedTree::text(tree().node("r")), "Connecting");
    EXPECT_EQ(KeyedTree::image(tree().node("r")), ExploreView::imgNetwork);
    for (int k = 0; k < 4; ++k) {
        EXPECT_FALSE(buttonEnabled(k));
    }
}

TEST_F(ExploreTest, SelectUserWaitsForTheUserOrTellsAfterTwoSearches) {
    explore().selectUser("SHARER");
    ASSERT_TRUE(tree().currentItem());
    EXPECT_EQ(tree().currentItem(), userNode());
    EXPECT_EQ(entries(), (Strings{"Folder:A", "Folder:sys", "File:top.zip"}));
    EXPECT_EQ(children(userNode()), (Strings{"A", "sys"}));
    EXPECT_TRUE(prompts->shown.empty());

    explore().selectUser("NOBODY");
    ASSERT_EQ(prompts->shown.size(), 1u);
    EXPECT_EQ(prompts->shown[0].text, "Could not find Unknown User to view files.");
    EXPECT_EQ(prompts->shown[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(prompts->shown[0].title, "Tornel");
}

TEST_F(ExploreTest, TheTreeAndTheListFollowTheWindowSize) {
    ExploreView& view = explore();
    view.show();
    struct Size {
        ui::Twips width, height;
    };
    for (const Size size : {Size{8640, 6150}, Size{12000, 8600}}) {
        view.setWidth(size.width);
        view.setHeight(size.height);
        const ui::Twips w = view.ScaleWidth();
        const ui::Twips h = view.ScaleHeight();
        EXPECT_NEAR(tree().Width(), w / 3, 15);
        EXPECT_NEAR(tree().Height(), h - 950 - 150, 15);
        EXPECT_NEAR(list().Left(), 165 + tree().Width() + 100, 15);
        EXPECT_NEAR(list().Left() + list().Width(), w - 165, 15);
        EXPECT_NEAR(list().Top() + list().Height(), h - 150, 15);
        EXPECT_FALSE(list().geometry().intersects(tree().geometry()));
    }
}

}  // namespace
}  // namespace tornel::test
