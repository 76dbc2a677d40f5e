#pragma once

namespace tornel {
class cSettingsFile;
}

namespace tornel::ui {

class Form;
class ScreenInfo;

// Writes the window's outer width and height and its state into its
// section; a minimised window is written as a normal one.
void saveWindowState(const Form& frm, cSettingsFile& windowSettings);

// Applies the saved state (a saved minimised state as normal) and, for a
// normal window, the saved size, kept within the screen's available area; writes and returns
// "isMax" (whether the window is now maximised). Left and Top are left to the window.
bool loadWindowState(Form& frm, cSettingsFile& windowSettings, const ScreenInfo& screen);

// Places the window in the middle of the screen's available area.
void centreOnScreen(Form& frm, const ScreenInfo& screen);

// Shrinks and moves the window, only as far as needed, so that it lies in
// the screen's available area.
void keepOnScreen(Form& frm, const ScreenInfo& screen);

}  // namespace tornel::ui
