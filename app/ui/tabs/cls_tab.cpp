#include "ui/tabs/cls_tab.h"

#include "ui/controls/label.h"
#include "ui/controls/picture_box.h"
#include "ui/skin/skin.h"

namespace tornel::ui {

void clsTab::Create(clsTabs* tParent, PictureBox* iImage, Label* lLabel) {
    parent_ = tParent;
    img_ = iImage;
    lbl_ = lLabel;
    if (img_) {
        img_->setPicture(Skin::instance().picture(pictures::kTabUnselected));
        img_->setCursor(Qt::PointingHandCursor);
    }
    if (lbl_) {
        lbl_->setCursor(Qt::PointingHandCursor);  // the caption lies over the picture
    }
}

void clsTab::setSelected(bool isSel) {
    selected_ = isSel;
    if (img_) {
        img_->setPicture(
            Skin::instance().picture(isSel ? pictures::kTabSelected : pictures::kTabUnselected));
    }
    if (lbl_) {
        QFont font = lbl_->font();
        font.setBold(isSel);
        lbl_->setFont(font);
    }
}

void clsTab::setCaption(const QString& SCap) {
    caption_ = SCap;
    if (lbl_) {
        lbl_->setText(SCap);
    }
}

}  // namespace tornel::ui
