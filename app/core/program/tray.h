#pragma once

#include <string>

namespace tornel {

struct AppState;

// Shows the tray icon with its picture at rest and `toolTip` ("Tornel" when
// empty). Failing steps are skipped.
void showTrayIcon(AppState& state, const std::string& toolTip);

}  // namespace tornel
