#pragma once

namespace tornel {

struct AppState;

// Fills the settings, the shared folders, the servers and the permanent
// grants from "Settings.xml" in the program folder (after the one-time move
// of an older "Kesto.xml"), and windowSettings from "Windows.xml". Every
// setting starts at its default; a failing step is logged and the next one
// runs, so one bad value or entry costs nothing else. A "Settings.xml" that
// exists but does not load is kept aside as "Settings.xml.bad"; false, with
// nothing read or written, when it can be neither loaded nor kept aside (an
// unreadable file): the program must not run and save over it. A node ID
// made for want of one is written to "Settings.xml" at once.
bool loadSettings(AppState& state);

// Writes "Settings.xml" afresh (atomically): the settings in their fixed
// order, the shared folders, the servers and the permanent grants
// ("Always") with their names. Besides the end of the run and the settings
// dialog's OK, it runs as soon as the node ID is made, the Sharing view
// saves its shares or a grant is made permanent, so a crash loses none.
void saveSettings(AppState& state);

}  // namespace tornel
