#include "core/command_line.h"
#include "version.h"

#include "platform/desktop_services.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (tornel::wantsVersionOnly(arguments)) {
        std::printf("Tornel %s\n", tornel::kVersion);
        return 0;
    }
    QApplication application(argc, argv);
    platform::installDesktopServices();
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tornel"));
    window.resize(480, 320);
    window.show();
    return QApplication::exec();
}
