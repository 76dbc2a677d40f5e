#include "ui/skinned/button_images.h"

#include "ui/controls/image_list.h"
#include "ui/controls/picture_box.h"
#include "ui/skinned/skinned_window.h"

namespace tornel::ui {

void setButtonImage(PictureBox& btn, bool enabled, const ImageList& enabledPictures,
                    const ImageList& disabledPictures) {
    btn.setEnabled(enabled);
    const QPixmap picture = (enabled ? enabledPictures : disabledPictures).picture(btn.Index() + 1);
    if (picture.cacheKey() != btn.Picture().cacheKey()) {
        btn.setPicture(picture);
    }
}

void disableButtons(SkinnedWindow& frm) {
    for (PictureBox* button : frm.imgBtn) {
        setButtonImage(*button, false, frm.imgBtns, frm.imgDisabled);
    }
}

bool isOverControl(double x, double y, const QWidget& ctl) {
    const double left = pixelsToTwips(ctl.x());
    const double top = pixelsToTwips(ctl.y());
    return x > left && x < left + pixelsToTwips(ctl.width()) && y > top &&
           y < top + pixelsToTwips(ctl.height());
}

}  // namespace tornel::ui
