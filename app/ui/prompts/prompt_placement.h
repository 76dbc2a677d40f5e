#pragma once

#include "ui/form/screen_info.h"

class QWidget;

namespace tornel::ui {

// Moves a shown prompt, by its outer frame, to the bottom right of
// `screen`, 450 twips above the screen's lower edge, and raises it.
void placeAtBottomRight(QWidget& prompt, const ScreenInfo& screen);

}  // namespace tornel::ui
