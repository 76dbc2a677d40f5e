#pragma once

namespace platform {

// Installs the desktop's windows behind the services of the platform's core
// part: the debug output window and the folder picker dialog. Called once at
// start-up by a program that has a QApplication.
void installDesktopServices();

}  // namespace platform
