#include "app/ui/window_fixture.h"
#include "support/scripted_prompts.h"
#include "ui/classic/users_window.h"
#include "ui/settings/settings_window.h"
#include "ui/ui_shell.h"

namespace tornel::test {
namespace {

// The core's Exit as the windows see it: recorded, and ending the program
// (closing set) only when the user would answer the transfer question Yes.
class ExitingCore : public RecordingCore {
  public:
    explicit ExitingCore(AppState& state) : state_(state) {}
    void shutDown(bool confirm) override {
        RecordingCore::shutDown(confirm);
        state_.closing = ends;
    }
    bool ends = false;

  private:
    AppState& state_;
};

// The program's real windows on a desktop without a tray (offscreen has
// none): the Explore view is shown at start, and no icon is left to reach
// the program by once its windows are closed.
class WindowlessExitTest : public WindowTest {
  protected:
    WindowlessExitTest() {
        state.ui.prompts = prompts;
        shell->views().context().screen.setSizeForTest(12000, 9000);
        EXPECT_FALSE(shell->settingsWindow().systemTray->available());
        shell->startRefreshTimer();
    }
    ~WindowlessExitTest() override { shell->unloadAll(); }

    ui::ExploreView& explore() { return shell->views().frmMain(); }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    ExitingCore exits{state};
    std::unique_ptr<ui::UiShell> shell = std::make_unique<ui::UiShell>(state, exits);
};

TEST_F(WindowlessExitTest, ClosingTheLastViewIsExitAndStaysWhenTheUserSaysNo) {
    ASSERT_TRUE(explore().isVisible());
    explore().mnuClose->trigger();
    EXPECT_EQ(exits.shutDowns, std::vector<bool>{true});
    EXPECT_TRUE(explore().isVisible()) << "the user chose to stay";

    exits.ends = true;
    explore().mnuClose->trigger();
    EXPECT_EQ(exits.shutDowns, (std::vector<bool>{true, true}));
    EXPECT_TRUE(state.closing);
    EXPECT_FALSE(explore().isVisible());
}

TEST_F(WindowlessExitTest, AWindowCloseFromTheWindowSystemGoesTheSameWay) {
    exits.ends = true;
    explore().close();
    EXPECT_EQ(exits.shutDowns, std::vector<bool>{true});
    EXPECT_FALSE(explore().isVisible());
}

// With another window on screen the view only closes; the plain window
// closed last is Exit in its turn, and refused stays on screen.
TEST_F(WindowlessExitTest, ThePlainWindowClosedLastIsExitInItsTurn) {
    shell->classicWindows().showUsersWindow();
    ui::UsersWindow& users = shell->classicWindows().frmUsers();
    ASSERT_TRUE(users.isVisible());
    explore().mnuClose->trigger();
    EXPECT_TRUE(exits.shutDowns.empty());
    EXPECT_FALSE(explore().isVisible());

    EXPECT_FALSE(users.close());
    EXPECT_EQ(exits.shutDowns, std::vector<bool>{true});
    EXPECT_TRUE(users.isVisible());

    exits.ends = true;
    EXPECT_TRUE(users.close());
    EXPECT_EQ(exits.shutDowns, (std::vector<bool>{true, true}));
    EXPECT_FALSE(users.isVisible());
}

// Where there is a tray, closing a view never ends the program.
TEST_F(ViewTest, WithATrayClosingTheLastViewOnlyHidesIt) {
    views.Display(explore());
    views.closeForm(explore());
    EXPECT_FALSE(explore().isVisible());
    EXPECT_TRUE(core.shutDowns.empty());
}

}  // namespace
}  // namespace tornel::test
