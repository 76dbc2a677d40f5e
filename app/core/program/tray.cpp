#include "core/program/tray.h"

#include "core/log/guarded.h"
#include "core/state/app_state.h"

namespace tornel {

void showTrayIcon(AppState& state, const std::string& toolTip) {
    skipFailure([&] {
        state.ui.tray->showIcon(toolTip.empty() ? "Tornel" : toolTip, TrayPicture::Normal);
    });
}

}  // namespace tornel
