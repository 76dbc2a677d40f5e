#pragma once

class QWidget;

namespace tornel::ui {

class ImageList;
class PictureBox;
class SkinnedWindow;

// Enables or disables an action button and shows picture Index + 1 of the
// matching list; the picture is only assigned when it differs, so a timer
// calling this every second does not repaint.
void setButtonImage(PictureBox& btn, bool enabled, const ImageList& enabledPictures,
                    const ImageList& disabledPictures);

// Every action button of `frm` disabled.
void disableButtons(SkinnedWindow& frm);

// Whether (x, y), in twips of the control's container, lies strictly inside
// the control.
bool isOverControl(double x, double y, const QWidget& ctl);

}  // namespace tornel::ui
