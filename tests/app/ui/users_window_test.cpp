#include "app/ui/classic_fixture.h"
#include "app/ui/window_fixture.h"
#include "core/network/users_search.h"
#include "ui/classic/classic_chat_window.h"

#include <algorithm>

namespace tornel {
namespace {

using test::ClassicTest;
using test::KindNode;
using test::middleOf;
using test::waitUntil;
using ui::UsersWindow;

class UsersWindowTest : public ClassicTest {
  protected:
    // Each listed user as "ID:Name:icon" ("sharing" or "user"), sorted.
    std::vector<std::string> listed() {
        UsersWindow& frm = users();
        std::vector<std::string> shown;
        for (int row = 0; row < frm.lvUsers->count(); ++row) {
            const QListWidgetItem* entry = frm.lvUsers->item(row);
            const bool sharing =
                test::shows(entry->icon(), frm.imgUsers.picture(UsersWindow::imgUserSharing));
            shown.push_back(ui::FileList::tag(entry).toStdString() + ":" +
                            ui::FileList::text(entry) + ":" + (sharing ? "sharing" : "user"));
        }
        std::sort(shown.begin(), shown.end());
        return shown;
    }
    bool buttonsEnabled() {
        const ui::KeyedToolBar& bar = *users().tbMain;
        return bar.isButtonEnabled("files") && bar.isButtonEnabled("chat") &&
               bar.isButtonEnabled("send");
    }
    bool buttonsDisabled() {
        const ui::KeyedToolBar& bar = *users().tbMain;
        return !bar.isButtonEnabled("files") && !bar.isButtonEnabled("chat") &&
               !bar.isButtonEnabled("send");
    }
    QListWidgetItem* select(const std::string& name) {
        QListWidgetItem* entry = test::entryNamed(*users().lvUsers, name);
        users().lvUsers->setCurrentItem(entry);
        return entry;
    }
};

TEST_F(UsersWindowTest, BeforeTheNodeIsUpItWaitsAndTheRefreshSearchesLater) {
    state.started = false;
    shell->views().showExplore();
    UsersWindow& frm = users();
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(frm.windowTitle(), "Online Users");
    EXPECT_EQ(frm.lblConn->text(), "Connecting...");
    EXPECT_TRUE(state.usersRefreshPending);
    EXPECT_TRUE(frm.lvUsers->isHidden());
    EXPECT_TRUE(frm.tbMain->isHidden());

    connectPeers();
    state.started = true;
    refreshUserList(state);
    EXPECT_EQ(frm.lblConn->text(), "Connected");
    EXPECT_FALSE(state.usersRefreshPending);
    EXPECT_FALSE(frm.lvUsers->isHidden());
    EXPECT_FALSE(frm.tbMain->isHidden());
    EXPECT_EQ(listed().size(), 2U);
}

TEST_F(UsersWindowTest, ListsTheProgramsNodesAndOtherKindsOnlyWhenAsked) {
    KindNode lower("LOWER", "Lou", "tornel_node");
    KindNode other("KESTO", "Kim", "KESTO_NODE");
    connectPeers();
    state.qelSession->Connect(lower.address());
    state.qelSession->Connect(other.address());
    const std::vector<std::string> ours{"LOWER:Lou:user", "PLAIN:Plain Pat:user",
                                        "SHARER:Sharing Sam:sharing"};
    std::vector<std::string> all = ours;
    all.insert(all.begin(), "KESTO:Kim:user");
    for (const auto& [showOther, expected] : {std::pair{false, ours}, std::pair{true, all}}) {
        state.ShowOther = showOther;
        users().showUsers();
        EXPECT_EQ(listed(), expected) << "ShowOther " << showOther;
        EXPECT_TRUE(users().lvUsers->isEnabled());
        EXPECT_TRUE(buttonsEnabled());
        EXPECT_FALSE(users().lblRefresh->isHidden());
        EXPECT_TRUE(users().pbLoad->isHidden());
    }
}

TEST_F(UsersWindowTest, OnlyOtherKindsLeaveAnEmptyListThatStaysUsable) {
    KindNode other("KESTO", "Kim", "KESTO_NODE");
    state.qelSession->Connect(other.address());
    users().showUsers();
    EXPECT_EQ(users().lvUsers->count(), 0);
    EXPECT_TRUE(users().lvUsers->isEnabled());
    EXPECT_TRUE(buttonsEnabled());
    // Nothing selected: the commands do nothing.
    users().tbMain->button("chat")->trigger();
    users().tbMain->button("send")->trigger();
    EXPECT_TRUE(state.chatWindows.empty());
    EXPECT_TRUE(core.pushes.empty());
}

TEST_F(UsersWindowTest, NobodyAnsweringLeavesTheListAndButtonsOff) {
    users().showUsers();
    UsersWindow& frm = users();
    EXPECT_EQ(test::entries(*frm.lvUsers), std::vector<std::string>{":No users online"});
    EXPECT_TRUE(
        test::shows(frm.lvUsers->item(0)->icon(), frm.imgUsers.picture(UsersWindow::imgNoUsers)));
    EXPECT_FALSE(frm.lvUsers->isEnabled());
    EXPECT_TRUE(buttonsDisabled());
    frm.lvUsers->setCurrentItem(frm.lvUsers->item(0));
    const auto [x, y] = middleOf(*frm.lvUsers, frm.lvUsers->item(0));
    frm.lvUsers_MouseUp(ui::PictureBox::RightButton, x, y);
    EXPECT_FALSE(frm.mnuPopup->isVisible());
}

TEST_F(UsersWindowTest, FilesNeedTheMouseOverTheUserAndChatAndSendDoNot) {
    shell->views().context().screen.setSizeForTest(12000, 9000);
    connectPeers();
    users().show();
    users().showUsers();
    UsersWindow& frm = users();
    QListWidgetItem* sam = select("Sharing Sam");
    ASSERT_TRUE(sam);

    // Released away from the user: no files, no menu.
    frm.lvUsers_MouseUp(ui::PictureBox::RightButton, 0, 0);
    EXPECT_FALSE(frm.mnuPopup->isVisible());
    frm.lvUsers_DblClick();
    frm.tbMain->button("files")->trigger();
    EXPECT_TRUE(state.filesWindows.empty());

    // Chat and send act on the selected user wherever the mouse was.
    frm.tbMain->button("chat")->trigger();
    ASSERT_EQ(state.chatWindows.count(), 1U);
    EXPECT_TRUE(dynamic_cast<ui::ClassicChatWindow*>(state.chatWindows.item("SHARER").get()));
    frm.tbMain->button("send")->trigger();
    EXPECT_EQ(core.pushes, std::vector<std::string>{"SHARER"});

    // Released over the user: the menu, with the files as its default.
    const auto [x, y] = middleOf(*frm.lvUsers, sam);
    frm.lvUsers_MouseUp(ui::PictureBox::RightButton, x, y);
    EXPECT_TRUE(frm.mnuPopup->isVisible());
    EXPECT_EQ(frm.mnuPopup->defaultAction(), frm.mnuFiles);
    frm.mnuPopup->close();
    frm.mnuFiles->trigger();
    ui::RemoteFilesWindow* files = filesWindow("SHARER");
    ASSERT_TRUE(files);
    EXPECT_EQ(files->windowTitle(), "Files - Sharing Sam");
    EXPECT_EQ(files->nodeID, "SHARER");
    EXPECT_EQ(test::entries(*files->lstFiles),
              (std::vector<std::string>{"Folder:A", "File:top.zip"}));
}

TEST_F(UsersWindowTest, ASearchStartedDuringAnotherKeepsItsAnswer) {
    connectPeers();
    bool innerRan = false;
    QTimer::singleShot(0, &users(), [&] {
        users().showUsers();
        innerRan = true;
        // The user picks from the newer list before the older search returns.
        select("Plain Pat");
    });
    users().showUsers();
    ASSERT_TRUE(innerRan);
    // The older answer does not rebuild the list under the user's choice.
    ASSERT_TRUE(users().lvUsers->currentItem());
    EXPECT_EQ(ui::FileList::text(users().lvUsers->currentItem()), "Plain Pat");
    EXPECT_EQ(listed(),
              (std::vector<std::string>{"PLAIN:Plain Pat:user", "SHARER:Sharing Sam:sharing"}));
    EXPECT_TRUE(users().lvUsers->isEnabled());
    EXPECT_FALSE(users().lblRefresh->isHidden());
}

// The progress bar on the test clock, without a node: the search fails at
// once (and is logged), the bar's run goes on by its own timer.
class UsersProgressTest : public test::WindowTest {
  protected:
    UsersProgressTest() {
        state.started = true;
        state.Timeout = 10000;
    }
    UsersWindow frm{state, core};
};

TEST_F(UsersProgressTest, TheBarRunsForTheTimeOutAndASecondSearchDoesNotRestartIt) {
    frm.showUsers();
    EXPECT_EQ(frm.pbLoad->maximum(), 9800);
    EXPECT_EQ(frm.pbLoad->value(), 100);
    EXPECT_TRUE(frm.timLoad->isActive());
    EXPECT_EQ(frm.timLoad->interval(), 100);

    frm.timLoad_Timer();  // the run starts one interval back, at 900
    EXPECT_EQ(frm.pbLoad->value(), 200);
    clock.advance(5000);
    frm.showUsers();
    EXPECT_EQ(frm.pbLoad->value(), 100);
    frm.timLoad_Timer();
    EXPECT_EQ(frm.pbLoad->value(), 200);

    clock.set(900 + 10000);  // not beyond the time-out yet
    frm.timLoad_Timer();
    EXPECT_TRUE(frm.timLoad->isActive());
    clock.set(900 + 10001);
    frm.timLoad_Timer();
    EXPECT_FALSE(frm.timLoad->isActive());
    EXPECT_EQ(frm.pbLoad->value(), 300);
}

TEST_F(UsersProgressTest, TheListFollowsTheWindowsSizeDownToItsMinimum) {
    frm.show();
    frm.showUsers();
    for (const QSize size : {QSize(300, 380), QSize(700, 600), QSize(100, 100)}) {
        frm.resize(size);
        QApplication::processEvents();
        SCOPED_TRACE(testing::Message() << frm.width() << " x " << frm.height());
        EXPECT_GE(frm.width(), 240);
        EXPECT_GE(frm.height(), 240);
        for (const QWidget* control :
             std::initializer_list<const QWidget*>{frm.lvUsers, frm.lblConn, frm.pbLoad, frm.Label1,
                                                   frm.Label2, frm.heading.Image1}) {
            EXPECT_TRUE(frm.rect().contains(control->geometry()))
                << control->objectName().toStdString();
        }
        EXPECT_GT(frm.lblConn->y(), frm.height() - 40) << "the bottom line stays at the bottom";
        EXPECT_LT(frm.lvUsers->geometry().bottom(), frm.lblConn->y());
        EXPECT_EQ(frm.lvUsers->x() + frm.lvUsers->width(), frm.width() - frm.lvUsers->x())
            << "the list spans the width";
        EXPECT_FALSE(frm.lblConn->geometry().intersects(frm.pbLoad->geometry()));
    }
}

TEST_F(UsersProgressTest, AValueBeyondTheMaximumLeavesTheBarFull) {
    state.Timeout = 400;
    frm.showUsers();
    EXPECT_EQ(frm.pbLoad->maximum(), 200);
    frm.timLoad_Timer();
    EXPECT_EQ(frm.pbLoad->value(), 200);
    frm.timLoad_Timer();
    EXPECT_EQ(frm.pbLoad->value(), 200);
}

}  // namespace
}  // namespace tornel
