#include "core/state/app_state.h"
#include "screens/screens.h"
#include "support/recording_core.h"
#include "support/temp_folder.h"
#include "support/window_environment.h"
#include "ui/ui_shell.h"

#include <QApplication>

#include <cstdio>

// tornel-screens FOLDER: saves a PNG of every window in each of its named
// states into FOLDER, on the offscreen platform unless another is chosen.
int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tornel-screens FOLDER\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
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
    }
    return shots.ok() ? 0 : 1;
}
