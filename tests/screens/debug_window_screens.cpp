#include "platform/debug_output.h"
#include "screens/screens.h"

#include <QApplication>
#include <QWidget>

namespace tornel::screens {

void debugWindowScreens(ScreenSet& set) {
    // The library's window as debug mode shows it, at its default size.
    const std::unique_ptr<platform::DebugOutput> window =
        platform::makeDebugOutput(platform::DebugWindowOptions{
            .title = "QEL - Debug Output",
            .settingsApp = "Vantrell QEL",
            .settingsSection = "debug",
            .defaultWidthTwips = 7200,
            .defaultHeightTwips = 8300,
            .maxTextLength = 32000,
        });
    window->show();
    window->setText("Entered QEL Debug Mode 12/11/2026 10:41:07");
    for (const char* line : {
             "QEL Version 2.1.246",
             "Local Address: 192.168.1.20\r\n",
             "<< OUTGOING <<<<<<<<<<\r\nINFO * QEL/2.1\r\nSource: 5E5E0C\r\nTTL: 5\r\nHops: 0\r\n",
             ">> INCOMING >>>>>>>>>>\r\nINFO * QEL/2.1\r\nSource: 0A1B2C\r\nTTL: 5\r\nHops: 1\r\n",
             "** PROCESS INFO",
             "Error -2147220991: Node not found [getNodeInfo] [NodeID: 0FF11E]",
         }) {
        window->append(std::string("\r\n") + line);
    }
    QApplication::processEvents();
    QApplication::processEvents();
    if (QWidget* widget = window->widget()) {
        set.shots.window(QStringLiteral("debug-window"), *widget);
        widget->hide();
    }
}

}  // namespace tornel::screens
