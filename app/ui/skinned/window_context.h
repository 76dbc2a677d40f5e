#pragma once

#include "ui/form/screen_info.h"
#include "ui/skinned/pressed_buttons.h"

namespace tornel {
class cSettingsFile;
}

namespace tornel::ui {

// What every skinned window shares: the window-placement document
// ("Windows.xml"), the buttons shown pressed and the screen.
struct WindowContext {
    explicit WindowContext(cSettingsFile& settings) : windowSettings(settings) {}

    cSettingsFile& windowSettings;
    PressedButtons pressedButtons;
    ScreenInfo screen;
};

}  // namespace tornel::ui
