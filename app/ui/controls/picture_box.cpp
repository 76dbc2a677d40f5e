#include "ui/controls/picture_box.h"

#include "ui/controls/control_name.h"
#include "ui/skin/palette.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include <utility>

namespace tornel::ui {

PictureBox::PictureBox(QWidget* parent, const QString& name, int index)
    : QLabel(parent), index_(index) {
    setObjectName(controlName(name, index));
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

Twips PictureBox::Left() const {
    return placement_.left(*this);
}
Twips PictureBox::Top() const {
    return placement_.top(*this);
}
Twips PictureBox::Width() const {
    return placement_.width(*this);
}
Twips PictureBox::Height() const {
    return placement_.height(*this);
}

void PictureBox::setLeft(Twips left) {
    placement_.setLeft(*this, left);
}
void PictureBox::setTop(Twips top) {
    placement_.setTop(*this, top);
}
void PictureBox::setWidth(Twips width) {
    placement_.setWidth(*this, width);
}
void PictureBox::setHeight(Twips height) {
    placement_.setHeight(*this, height);
}
void PictureBox::Move(Twips left, Twips top) {
    placement_.move(*this, left, top);
}

void PictureBox::setPicture(const QPixmap& picture) {
    picture_ = picture;
    showLook();
    if (!stretch_) {
        setWidth(pixelsToTwips(picture.width()));
        setHeight(pixelsToTwips(picture.height()));
    }
}

void PictureBox::setPressedLook(bool pressed) {
    pressedLook_ = pressed;
    showLook();
}

void PictureBox::setHoverLook(bool hover) {
    hoverLook_ = hover;
    if (hover) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    showLook();
}

void PictureBox::showLook() {
    const bool pressed = pressedLook_;
    const bool hovered = hoverLook_ && hovered_ && isEnabled();
    if ((!pressed && !hovered) || picture_.isNull()) {
        setPixmap(picture_);
        return;
    }
    // Tinted toward the accent colour: a pressed button reads as active,
    // never as greyed out, and a hovered one stands out on light and dark
    // pictures alike.
    QPixmap shown = picture_;
    QPainter painter(&shown);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    QColor tint = pressed ? palette::kAccentDark : palette::kAccent;
    tint.setAlpha(pressed ? 170 : 110);
    painter.fillRect(shown.rect(), tint);
    painter.end();
    setPixmap(shown);
}

void PictureBox::setStretch(bool stretch) {
    stretch_ = stretch;
    setScaledContents(stretch);
}

QString PictureBox::key() const {
    return QString::number(reinterpret_cast<quintptr>(this), 16);
}

int PictureBox::buttonNumber(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return LeftButton;
        case Qt::RightButton:
            return RightButton;
        case Qt::MiddleButton:
            return MiddleButton;
        default:
            return 0;
    }
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    lastPressGlobal_ = event->globalPosition().toPoint();
    emit mouseDown(buttonNumber(event->button()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const int button = buttonNumber(event->button());
    const bool endsDoubleClick = std::exchange(releaseEndsDoubleClick_, false);
    emit mouseUp(button);
    // A click is a left release over the control; the release that ends a
    // double-click is not a second click.
    if (button == LeftButton && !endsDoubleClick && rect().contains(event->position().toPoint())) {
        emit click();
    }
}

void PictureBox::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    if (hoverLook_) {
        showLook();
    }
    QLabel::enterEvent(event);
}

void PictureBox::leaveEvent(QEvent* event) {
    hovered_ = false;
    if (hoverLook_) {
        showLook();
    }
    QLabel::leaveEvent(event);
}

void PictureBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && hoverLook_) {
        showLook();
    }
    QLabel::changeEvent(event);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        emit mouseDown(buttonNumber(event->button()));
        return;
    }
    releaseEndsDoubleClick_ = true;
    lastPressGlobal_ = event->globalPosition().toPoint();
    emit mouseDown(LeftButton);
    emit dblClick();
}

}  // namespace tornel::ui
