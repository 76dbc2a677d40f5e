#include "core/state/app_state.h"
#include "platform/config_folder.h"
#include "platform/desktop_services.h"
#include "screens/screens.h"
#include "support/recording_core.h"
#include "support/temp_folder.h"
#include "support/window_environment.h"
#include "ui/ui_shell.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "usage: tornel-screens FOLDER\n"
    "       tornel-screens --help\n"
    "\n"
    "Saves a PNG picture of every window of Tornel in each of its named states,\n"
    "and of the menus that pop up over them, into FOLDER (made when missing).\n"
    "Runs on the offscreen platform unless QT_QPA_PLATFORM names another; the\n"
    "windows use the Fusion style, DejaVu Sans, 96 dpi and the C locale.\n"
    "Prints the path of each picture saved; exits 1 when one could not be saved.\n"
    "\n"
    "  -h, --help   show this help and exit\n";

bool asksForHelp(const char* argument) {
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0;
}

}  // namespace

// tornel-screens FOLDER: saves a PNG of every window in each of its named
// states into FOLDER, on the offscreen platform unless another is chosen.
int main(int argc, char** argv) {
    if (argc == 2 && asksForHelp(argv[1])) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // An option that is not known is not taken for a folder's name.
    if (argc != 2 || argv[1][0] == '-') {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    platform::installDesktopServices();  // the folder picker and the debug window, as in the program
    // The per-user stores in a folder of their own: the pictures do not
    // depend on, or touch, the user's own.
    QTemporaryDir configFolder;
    platform::ScopedConfigFolder configOverride(configFolder.path().toStdString());
    tornel::test::applyWindowLook();

    tornel::test::TempFolder programFolder;
    tornel::AppState state(programFolder.path(), tornel::CommandLine());
    tornel::test::RecordingCore core;
    tornel::screens::ScreenShots shots(QString::fromLocal8Bit(argv[1]));
    {
        tornel::ui::UiShell shell(state, core);
        tornel::screens::ScreenSet set{state, shell, core, shots};
        tornel::screens::skinScreens(set);
        tornel::screens::viewScreens(set);
        tornel::screens::trayScreens(set);
        tornel::screens::downloadScreens(set);
        tornel::screens::exploreScreens(set);
        tornel::screens::chatScreens(set);
        tornel::screens::confirmScreens(set);
        tornel::screens::settingsScreens(set);
        tornel::screens::classicScreens(set);
        tornel::screens::listScreens(set);
        tornel::screens::dialogScreens(set);
        tornel::screens::debugWindowScreens(set);
    }
    return shots.ok() ? 0 : 1;
}
