#pragma once

#include "screens/screen_shots.h"
#include "support/recording_core.h"

namespace tornel {
struct AppState;
}

namespace tornel::ui {
class UiShell;
}

namespace tornel::screens {

// What every group of screens works with: the program's state, its windows
// and the folder of pictures.
struct ScreenSet {
    AppState& state;
    ui::UiShell& shell;
    test::RecordingCore& core;
    ScreenShots& shots;
};

// Every picture of the skin on one sheet, and the tray icons.
void skinScreens(ScreenSet& set);
// The three views and the title bar's states.
void viewScreens(ScreenSet& set);
// The tray menu with and without users, and the title-bar menu that takes
// the tray's items where the desktop has no tray.
void trayScreens(ScreenSet& set);
// The access confirmation prompt: as it opens, with its durations listed,
// with "Always" chosen, with a long name and path, for an unknown user.
void confirmScreens(ScreenSet& set);

}  // namespace tornel::screens
