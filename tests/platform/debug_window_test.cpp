#include "platform/debug_window.h"
#include "platform/event_loop.h"
#include "platform/user_settings.h"

#include <QPlainTextEdit>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

platform::DebugWindowOptions options() {
    return {.title = "Output",
            .settingsApp = "Test App",
            .settingsSection = "debug",
            .defaultWidthTwips = 7200,
            .defaultHeightTwips = 8300,
            .maxTextLength = 20};
}

TEST(DebugWindow, IsSizedFromTheStoreAndStoresItsSizeWhenClosed) {
    {
        platform::DebugOutputWindow window(options());
        window.show();
        ASSERT_NE(window.widget(), nullptr);
        EXPECT_EQ(window.widget()->size(), QSize(480, 553));  // 15 twips a pixel
        EXPECT_EQ(window.widget()->windowTitle(), "Output");
        window.widget()->resize(300, 200);
        window.widget()->close();
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(platform::getSetting("Test App", "debug", "width"), "4500");
        EXPECT_EQ(platform::getSetting("Test App", "debug", "height"), "3000");
        window.show();  // closing only hid it
        EXPECT_TRUE(window.isVisible());
    }
    platform::DebugOutputWindow next(options());  // a later process
    next.show();
    EXPECT_EQ(next.widget()->size(), QSize(300, 200));
    const auto* textBox = next.widget()->findChild<QPlainTextEdit*>();
    ASSERT_NE(textBox, nullptr);
    // The text fills the window inside an even margin: no empty band below it.
    EXPECT_EQ(textBox->geometry(), QRect(8, 8, 284, 184));
}

TEST(DebugWindow, KeepsTheNewestTextOneCharacterPerByte) {
    platform::DebugOutputWindow window(options());
    window.show();
    window.setText("start");
    window.append("\r\nline one");
    window.append(std::string("\r\nN\0L\xe9", 6));
    EXPECT_EQ(window.text(), std::string("tart\r\nline one\r\nN\0L\xe9", 20));
    window.append(std::string(50, 'x') + "end");
    EXPECT_EQ(window.text(), std::string(17, 'x') + "end");

    window.setText(std::string("a\r\nb\0", 5));
    platform::doEvents();  // the window refreshes from the event loop
    const auto* textBox = window.widget()->findChild<QPlainTextEdit*>();
    EXPECT_EQ(textBox->toPlainText(), QString("a\nb") + QChar(0x2400));
    EXPECT_EQ(textBox->textCursor().position(), 4);
}

}  // namespace
