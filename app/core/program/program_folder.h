#pragma once

#include <string>

namespace tornel {

// The program folder, where "Settings.xml", "Windows.xml", "Log.txt",
// "Update.dat", "Files/" and the lock live: $TORNEL_HOME when set, else the
// executable's folder when it is writable, else $XDG_DATA_HOME/Tornel
// (~/.local/share/Tornel). The folder is created when missing; "" when it
// cannot be.
std::string findProgramFolder(const std::string& executableFolder);

}  // namespace tornel
