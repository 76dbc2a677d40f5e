#include "ui/skinned/window_placement.h"
#include "app/ui/window_fixture.h"

namespace tornel::test {
namespace {

class WindowPlacementTest : public WindowTest {
  protected:
    void writeSection(int windowState, double width, double height) {
        state.windowSettings.rootNode();
        state.windowSettings.openNode("frmTest");
        state.windowSettings.setValue("state", windowState);
        state.windowSettings.setValue("width", width);
        state.windowSettings.setValue("height", height);
        state.windowSettings.closeNode();
    }

    bool isMaxKey() {
        state.windowSettings.rootNode();
        state.windowSettings.openNode("frmTest");
        const bool value = state.windowSettings.getValue("isMax", true);
        state.windowSettings.closeNode();
        return value;
    }
};

TEST_F(WindowPlacementTest, SavedStateAndSizeAreAppliedOnLoad) {
    struct Case {
        int state;
        double width, height;
        int expectedState;
        double expectedWidth, expectedHeight;
        bool isMax;
    };
    const Case cases[] = {
        {0, 6015, 4530, ui::Form::Normal, 6015, 4530, false},
        {1, 6015, 4530, ui::Form::Normal, 6015, 4530, false},  // never back out of sight
        {-1, -1, -1, ui::Form::Normal, 4500, 3000, false},     // nothing saved
        {2, 6015, 4530, ui::Form::Maximised, 4500, 3000, true},
        {0, 30000, 4530, ui::Form::Normal, 12000, 4530, false},  // kept on the screen
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << " width " << c.width);
        writeSection(c.state, c.width, c.height);
        PlainSkinnedWindow window(QStringLiteral("frmTest"), context);
        window.setWidth(4500);
        window.setHeight(3000);
        EXPECT_EQ(ui::loadWindowState(window, state.windowSettings, context.screen), c.isMax);
        EXPECT_EQ(window.WindowState(), c.expectedState);
        if (c.expectedState == ui::Form::Normal) {
            EXPECT_EQ(window.Width(), c.expectedWidth);
            EXPECT_EQ(window.Height(), c.expectedHeight);
        }
        EXPECT_EQ(isMaxKey(), c.isMax);
    }
}

TEST_F(WindowPlacementTest, PlacementRoundTripsThroughTheFile) {
    const std::string path = folder.file("Windows.xml");
    {
        PlainSkinnedWindow window(QStringLiteral("frmTest"), context);
        window.setWidth(7215);
        window.setHeight(5010);
        window.Form_Unload();
        state.windowSettings.saveFile(path);
    }
    cSettingsFile reloaded;
    ASSERT_TRUE(reloaded.loadFile(path));
    ui::WindowContext other(reloaded);
    other.screen.setSizeForTest(12000, 9000);
    PlainSkinnedWindow window(QStringLiteral("frmTest"), other);
    window.Form_Load();
    EXPECT_EQ(window.Width(), 7215);
    EXPECT_EQ(window.Height(), 5010);
    EXPECT_EQ(window.WindowState(), ui::Form::Normal);
}

TEST_F(WindowPlacementTest, AWindowBeyondTheScreenEdgeIsPulledBack) {
    PlainSkinnedWindow window(QStringLiteral("frmTest"), context);
    window.setWidth(6000);
    window.setHeight(3000);
    window.setLeft(-900);
    window.setTop(8000);
    ui::keepOnScreen(window, context.screen);
    EXPECT_EQ(window.Left(), 0);
    EXPECT_EQ(window.Top(), 9000 - 3000);
    EXPECT_EQ(window.Width(), 6000);
}

}  // namespace
}  // namespace tornel::test
