#pragma once

#include "screens/screen_shots.h"
#include "support/recording_core.h"

#include <QApplication>
#include <QSize>
#include <QString>
#include <QWidget>

namespace tornel {
struct AppState;
}

namespace tornel::ui {
class SharingView;
class TransfersView;
class UiShell;
}  // namespace tornel::ui

namespace tornel::screens {

// What every group of screens works with: the program's state, its windows
// and the folder of pictures.
struct ScreenSet {
    AppState& state;
    ui::UiShell& shell;
    test::RecordingCore& core;
    ScreenShots& shots;
};

// The window at the least size it takes and at `large`, saved by `shoot`
// as "<name>-smallest" and "<name>-large"; then back at its own size.
template <class Shoot>
void smallestAndLarge(QWidget& window, const QString& name, QSize large, Shoot shoot) {
    const QSize design = window.size();
    window.resize(window.minimumSize());
    shoot(name + QStringLiteral("-smallest"));
    window.resize(large);
    shoot(name + QStringLiteral("-large"));
    window.resize(design);
    QApplication::processEvents();
}

// Every picture of the skin on one sheet, and the tray icons.
void skinScreens(ScreenSet& set);
// The three views and the title bar's states.
void viewScreens(ScreenSet& set);
// The Transfers view with downloads in every state and uploads.
void transferScreens(ScreenSet& set, ui::TransfersView& view);
// The Sharing view over a folder tree with shared, parent and plain folders.
void sharingScreens(ScreenSet& set, ui::SharingView& view);
// The tray menu with and without users, and the title-bar menu that takes
// the tray's items where the desktop has no tray.
void trayScreens(ScreenSet& set);
// The download status window in each state of a download.
void downloadScreens(ScreenSet& set);
// The Explore view against nodes on loopback: connecting, searching, no
// users, users, a folder with files of several types, a download started,
// maximised.
void exploreScreens(ScreenSet& set);
// The chat window with a conversation, typing and connection problems, and
// the incoming-file prompt.
void chatScreens(ScreenSet& set);
// The access confirmation prompt: as it opens, with its durations listed,
// with "Always" chosen, with a long name and path, for an unknown user.
void confirmScreens(ScreenSet& set);
// Each tab of the settings dialog, and its other states.
void settingsScreens(ScreenSet& set);
// The plain windows of the multiple-windows mode against nodes on loopback:
// the users window, a remote files window, the transfers window and the
// classic chat window.
void classicScreens(ScreenSet& set);
// Lists and trees with long names in several scripts, and the windows that
// hold them at their least and a large size: the classic transfers window
// and chat, the Explore view, the Sharing view (also while it searches).
void listScreens(ScreenSet& set);
// The message boxes, the input box and the folder picker the program asks
// with, each brought up by the program's own step that asks; the settings
// dialog while "Find Local" searches; a second copy's "already running".
void dialogScreens(ScreenSet& set);
// The network library's debug window with some output.
void debugWindowScreens(ScreenSet& set);

}  // namespace tornel::screens
