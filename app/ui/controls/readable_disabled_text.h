#pragma once

#include "ui/skin/palette.h"

#include <QPalette>
#include <QWidget>

namespace tornel::ui {

// Gives `control` the skin's text colour for its disabled state, so that a
// disabled list still reads clearly ("No users online") while its grey
// background shows that it does not react.
inline void useReadableDisabledText(QWidget& control) {
    QPalette colours = control.palette();
    colours.setColor(QPalette::Disabled, QPalette::Text, palette::kDisabledText);
    control.setPalette(colours);
}

}  // namespace tornel::ui
