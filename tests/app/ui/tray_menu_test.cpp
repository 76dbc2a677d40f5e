#include "app/ui/window_fixture.h"
#include "ui/settings/settings_window.h"

#include <QMenu>

namespace tornel::test {
namespace {

class TrayMenuTest : public ViewTest {
  protected:
    void addUser(const std::string& id, const std::string& name) {
        state.users.add(std::make_shared<cUser>(cUser{id, name}), id);
    }

    std::vector<QAction*> visibleChatItems() {
        std::vector<QAction*> shown;
        for (QAction* action : settings.mnuChat->actions()) {
            if (action->isVisible()) {
                shown.push_back(action);
            }
        }
        return shown;
    }

    ui::SettingsWindow settings{state, views, core};
};

TEST_F(TrayMenuTest, NobodyOnlineGivesOneDisabledLine) {
    settings.systemTray_MouseUp(2);
    const auto items = visibleChatItems();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->text(), "(No users online)");
    EXPECT_FALSE(items[0]->isEnabled());
    EXPECT_EQ(QApplication::activePopupWidget(), settings.mnuPopup);
    EXPECT_EQ(settings.mnuPopup->defaultAction(), settings.mnuExplore);
}

TEST_F(TrayMenuTest, EachUserIsAnItemThatOpensAChatWithItsNode) {
    addUser("AAAA", "Ann");
    addUser("BBBB", "Ann");
    addUser("CCCC", "Tom & Jerry");
    settings.systemTray_MouseUp(2);
    const auto items = visibleChatItems();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0]->text(), "Ann");
    EXPECT_EQ(items[1]->text(), "Ann");
    EXPECT_EQ(items[2]->text(), "Tom && Jerry");
    items[1]->trigger();
    EXPECT_EQ(core.chats, std::vector<std::string>{"BBBB"});

    state.users.clear();
    settings.systemTray_MouseUp(2);
    EXPECT_EQ(visibleChatItems().size(), 1u) << "the items are rebuilt";
}

TEST_F(TrayMenuTest, ItemsInOrderWithTheirSeparators) {
    QStringList shape;
    for (QAction* action : settings.mnuPopup->actions()) {
        shape << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(shape, (QStringList{"&Chat", "-", "&Explore", "&Transfers", "-", "Shared &Files", "-",
                                  "&Settings", "E&xit Tornel"}));
}

TEST_F(TrayMenuTest, ExitAndToolTipFollowStarted) {
    settings.systemTray_MouseUp(2);
    EXPECT_FALSE(settings.mnuExit->isEnabled());
    EXPECT_EQ(settings.systemTray->toolTip(), "Loading");
    state.started = true;
    settings.systemTray_MouseUp(2);
    EXPECT_TRUE(settings.mnuExit->isEnabled());
    EXPECT_EQ(settings.systemTray->toolTip(), "Tornel");
    settings.mnuExit->trigger();
    EXPECT_EQ(core.shutDowns, std::vector<bool>{true});
}

TEST_F(TrayMenuTest, ExitOffersToSaveUnsavedSharingEditsBeforeItEnds) {
    state.started = true;
    settings.systemTray_MouseUp(2);
    settings.mnuExit->trigger();
    EXPECT_EQ(sharing().saveOffers, 0);
    sharing().unsaved = true;
    settings.mnuExit->trigger();
    EXPECT_EQ(sharing().saveOffers, 1);
    EXPECT_EQ(core.shutDowns, (std::vector<bool>{true, true}));
}

TEST_F(TrayMenuTest, LeftClickShowsTheExploreViewFirstAndLaterTheLastView) {
    settings.systemTray_MouseUp(1);
    EXPECT_EQ(views.currentView(), &explore());
    EXPECT_TRUE(explore().Visible());
    views.showSharing();
    views.closeForm(sharing());
    settings.systemTray_MouseUp(1);
    EXPECT_TRUE(sharing().Visible());
}

TEST_F(TrayMenuTest, ClicksWhileClosingOpenNothing) {
    state.started = true;
    state.closing = true;
    settings.systemTray_MouseUp(1);
    settings.systemTray_MouseUp(2);
    EXPECT_EQ(views.currentView(), nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(settings.mnuExit->isEnabled());
}

TEST_F(TrayMenuTest, RefreshTickSearchesOnlyWhileExploreIsHidden) {
    views.showExplore();
    core.exploreChecks.clear();
    settings.timRefresh_Timer();
    EXPECT_TRUE(core.exploreChecks.empty());
    views.closeForm(explore());
    settings.timRefresh_Timer();
    EXPECT_EQ(core.exploreChecks, std::vector<bool>{false});
    EXPECT_EQ(settings.timRefresh->interval(), 60000);
}

TEST_F(TrayMenuTest, WithoutATrayTheViewIsShownAndTheTitleMenuTakesTheTrayItems) {
    ASSERT_FALSE(settings.systemTray->available());  // offscreen has no tray
    settings.startRefreshTimer();
    EXPECT_TRUE(settings.timRefresh->isActive());
    EXPECT_TRUE(explore().Visible());
    EXPECT_TRUE(explore().mnuTitlebar->actions().contains(settings.mnuExit));
    EXPECT_TRUE(transfers().mnuTitlebar->actions().contains(settings.mnuExplore));
}

// The tray icon control on its own.
class RecordingHolder : public ui::TrayIconEvents {
  public:
    std::vector<int> events;  // 0 for a press, else the released button
    void systemTray_MouseDown() override { events.push_back(0); }
    void systemTray_MouseUp(int Button) override { events.push_back(Button); }
};

TEST(TrayIconControlTest, ClicksArriveAsPressAndRelease) {
    RecordingHolder holder;
    ui::TrayIconControl tray(holder);
    tray.activate(QSystemTrayIcon::Trigger);
    tray.activate(QSystemTrayIcon::Context);
    tray.activate(QSystemTrayIcon::MiddleClick);
    tray.activate(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(holder.events, (std::vector<int>{0, 1, 0, 2, 0, 4}));
}

TEST(TrayIconControlTest, ToolTipsAndRemovalWithoutADesktopTray) {
    RecordingHolder holder;
    ui::TrayIconControl tray(holder);
    tray.showIcon("Loading", TrayPicture::Normal);
    EXPECT_EQ(tray.toolTip(), "Loading");
    tray.setToolTip("Tornel");
    tray.setToolTip("Updating");
    EXPECT_EQ(tray.toolTip(), "Updating");
    tray.removeIcon();
    tray.removeIcon();
    tray.setToolTip("Tornel");
    tray.activate(QSystemTrayIcon::Trigger);
    EXPECT_EQ(tray.toolTip(), "Updating") << "nothing changes after removal";
    EXPECT_TRUE(holder.events.empty());
    EXPECT_TRUE(tray.removed());
}

}  // namespace
}  // namespace tornel::test
