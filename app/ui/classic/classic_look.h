#pragma once

#include "ui/controls/label.h"
#include "ui/controls/link_style.h"

namespace tornel::ui {

// A caption of a plain window showing `text`.
Label* plainLabel(QWidget* parent, const QString& name, const QString& text);

// Places `control` at `left`, `top` with the size given, in twips.
template <class Control>
void placeTwips(Control& control, Twips left, Twips top, Twips width, Twips height) {
    control.Move(left, top);
    control.setWidth(width);
    control.setHeight(height);
}

}  // namespace tornel::ui
