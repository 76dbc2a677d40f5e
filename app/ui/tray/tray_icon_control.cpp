#include "ui/tray/tray_icon_control.h"

#include "ui/controls/picture_box.h"
#include "ui/skin/skin.h"

#include <QMenu>

namespace tornel::ui {

TrayIconControl::TrayIconControl(TrayIconEvents& holder) : holder_(holder) {}

TrayIconControl::~TrayIconControl() = default;

bool TrayIconControl::available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon TrayIconControl::pictureOf(TrayPicture picture) {
    const Skin& skin = Skin::instance();
    const bool pressed = picture == TrayPicture::Pressed;
    QIcon icon;
    icon.addPixmap(skin.picture(pressed ? pictures::kTrayPressed16 : pictures::kTray16));
    icon.addPixmap(skin.picture(pressed ? pictures::kTrayPressed22 : pictures::kTray22));
    return icon;
}

void TrayIconControl::showIcon(const std::string& toolTip, TrayPicture picture) {
    if (removed_) {
        return;
    }
    toolTip_ = QString::fromStdString(toolTip);
    if (!available()) {
        return;
    }
    if (!icon_) {
        icon_ = std::make_unique<QSystemTrayIcon>();
        connect(icon_.get(), &QSystemTrayIcon::activated, this, &TrayIconControl::activate);
        if (menu_) {
            icon_->setContextMenu(menu_);
        }
    }
    icon_->setIcon(pictureOf(picture));
    icon_->setToolTip(toolTip_);
    icon_->show();
}

void TrayIconControl::setToolTip(const std::string& toolTip) {
    if (removed_) {
        return;
    }
    toolTip_ = QString::fromStdString(toolTip);
    if (icon_) {
        icon_->setToolTip(toolTip_);
    }
}

void TrayIconControl::setIcon(TrayPicture picture) {
    // The desktop reports no press, so the pressed picture would never show;
    // only the picture at rest is ever set.
    if (!removed_ && icon_ && picture == TrayPicture::Normal) {
        icon_->setIcon(pictureOf(picture));
    }
}

void TrayIconControl::removeIcon() {
    if (removed_) {
        return;
    }
    removed_ = true;
    if (icon_) {
        icon_->hide();
        icon_.reset();
    }
}

void TrayIconControl::setContextMenu(QMenu* menu) {
    menu_ = menu;
    if (icon_) {
        icon_->setContextMenu(menu);
    }
}

void TrayIconControl::activate(QSystemTrayIcon::ActivationReason reason) {
    if (removed_) {
        return;
    }
    int button = 0;
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            button = PictureBox::LeftButton;
            break;
        case QSystemTrayIcon::Context:
            button = PictureBox::RightButton;
            break;
        case QSystemTrayIcon::MiddleClick:
            button = PictureBox::MiddleButton;
            break;
        default:
            return;
    }
    holder_.systemTray_MouseDown();
    holder_.systemTray_MouseUp(button);
}

}  // namespace tornel::ui
