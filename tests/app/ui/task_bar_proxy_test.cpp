#include "app/ui/window_fixture.h"

namespace tornel::test {
namespace {

TEST_F(ViewTest, MinimisedViewComesBackRefreshedWhenItsEntryIsRestored) {
    views.showTransfers();
    transfers().setLeft(1800);
    transfers().setWidth(8025);
    const int updates = transfers().updates;

    transfers().topButtonClick(ui::PictureBox::LeftButton, 0);
    EXPECT_TRUE(transfers().isMinimized());
    EXPECT_FALSE(transfers().Visible());
    EXPECT_EQ(transfers().windowTitle(), "Transfers");
    EXPECT_EQ(transfers().updates, updates) << "minimising restores nothing";

    transfers().showNormal();  // what the task bar does
    EXPECT_TRUE(transfers().Visible());
    EXPECT_EQ(transfers().Left(), 1800);
    EXPECT_EQ(transfers().Width(), 8025);
    EXPECT_EQ(transfers().updates, updates + 1);
    EXPECT_EQ(views.frmHidden().Caption(), "Transfers");
}

TEST_F(WindowTest, ChatEntryRestoresItsWindowInFront) {
    PlainSkinnedWindow chat(QStringLiteral("frmChat"), context);
    chat.show();
    EXPECT_EQ(chat.windowTitle(), "Chat - Ann");
    chat.mnuMin->trigger();
    ASSERT_TRUE(chat.isMinimized());
    chat.showNormal();
    EXPECT_TRUE(chat.Visible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&chat, 20000));
}

TEST_F(ViewTest, EachEntryRestoresItsOwnWindow) {
    PlainSkinnedWindow chat(QStringLiteral("frmChat"), context);
    chat.show();
    views.showExplore();
    chat.mnuMin->trigger();
    explore().mnuMin->trigger();
    chat.showNormal();
    const size_t checks = core.exploreChecks.size();
    explore().showNormal();
    EXPECT_TRUE(explore().Visible());
    EXPECT_EQ(core.exploreChecks.size(), checks + 1) << "the view is refreshed";
}

TEST_F(ViewTest, ShowingAnotherViewPutsAMinimisedOneAway) {
    views.showExplore();
    explore().mnuMin->trigger();
    views.showTransfers();
    EXPECT_TRUE(transfers().Visible());
    EXPECT_FALSE(explore().isVisible());
    EXPECT_FALSE(explore().isMinimized());
}

}  // namespace
}  // namespace tornel::test
