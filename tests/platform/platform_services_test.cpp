#include "platform/debug_output.h"
#include "platform/desktop_services.h"
#include "platform/folder_picker.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

platform::DebugWindowOptions options() {
    return {.title = "Output",
            .settingsApp = "Test App",
            .settingsSection = "debug",
            .maxTextLength = 8};
}

// Libraries show things through the core part's services; without the desktop
// part installed they fall back to plain forms.
TEST(PlatformServices, WithoutTheDesktopPartOutputIsPlainAndPicksAreCancelled) {
    platform::installDebugOutput({});
    platform::installFolderPicker({});

    const std::unique_ptr<platform::DebugOutput> plain = platform::makeDebugOutput(options());
    plain->show();
    EXPECT_FALSE(plain->isVisible());
    EXPECT_EQ(plain->widget(), nullptr);
    plain->setText("start");
    plain->append("\r\nmore");
    EXPECT_EQ(plain->text(), "rt\r\nmore");  // the newest 8 characters
    EXPECT_EQ(platform::pickFolder(nullptr, "Pick"), "");

    platform::installDesktopServices();
    const std::unique_ptr<platform::DebugOutput> window = platform::makeDebugOutput(options());
    window->show();
    ASSERT_NE(window->widget(), nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->widget()->windowTitle(), "Output");
}

}  // namespace
