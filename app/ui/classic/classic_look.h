#pragma once

#include "ui/controls/label.h"

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

// A label that reads as a link: underlined, in the accent colour, with a
// hand pointer.
void styleLink(Label& link);
// A link that cannot be followed: plain black text, disabled.
void styleDeadLink(Label& link);

}  // namespace tornel::ui
