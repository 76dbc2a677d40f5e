#pragma once

namespace tornel {

struct AppState;

// Fills the settings, the shared folders, the servers and the permanent
// grants from "Settings.xml" in the program folder (after the one-time move
// of an older "Kesto.xml"), and windowSettings from "Windows.xml". Every
// setting starts at its default; a failing step is logged and the next one
// runs, so one bad value or entry costs nothing else. A "Settings.xml" that
// exists but does not load is kept aside as "Settings.xml.bad".
void loadSettings(AppState& state);

// Writes "Settings.xml" afresh: the settings in their fixed order, the
// shared folders, the servers and the permanent grants ("Always") with
// their names.
void saveSettings(AppState& state);

}  // namespace tornel
