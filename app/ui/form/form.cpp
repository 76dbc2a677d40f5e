#include "ui/form/form.h"

#include <QResizeEvent>
#include <QWindowStateChangeEvent>

#include <algorithm>

namespace tornel::ui {

Form::Form(const QString& formName, Qt::WindowFlags flags) : QWidget(nullptr, flags) {
    setObjectName(formName);
}

Twips Form::Left() const {
    return left_.get(frameGeometry().x());
}
Twips Form::Top() const {
    return top_.get(frameGeometry().y());
}
Twips Form::Width() const {
    return width_.get(frameGeometry().width());
}
Twips Form::Height() const {
    return height_.get(frameGeometry().height());
}

void Form::setLeft(Twips left) {
    const int x = left_.set(left);
    move(x, frameGeometry().y());
}

void Form::setTop(Twips top) {
    const int y = top_.set(top);
    move(frameGeometry().x(), y);
}

void Form::setWidth(Twips width) {
    const int outer = width_.set(width);
    resize(std::max(0, outer - frameExtra().width()), height());
}

void Form::setHeight(Twips height) {
    const int outer = height_.set(height);
    resize(width(), std::max(0, outer - frameExtra().height()));
}

Twips Form::ScaleWidth() const {
    // The inner size follows the outer one exactly while the frame adds nothing.
    return frameExtra().width() == 0 ? Width() : pixelsToTwips(width());
}

Twips Form::ScaleHeight() const {
    return frameExtra().height() == 0 ? Height() : pixelsToTwips(height());
}

int Form::WindowState() const {
    if (isMinimized()) {
        return Minimised;
    }
    return isMaximized() ? Maximised : Normal;
}

void Form::applyWindowState(int state) {
    switch (state) {
        case Minimised:
            setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
            break;
        case Maximised:
            setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
            break;
        default:
            setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
            break;
    }
}

bool Form::Visible() const {
    return isVisible() && !isMinimized();
}

void Form::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) {
        return;
    }
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if ((change->oldState() & Qt::WindowMinimized) && !isMinimized()) {
        emit restoredFromMinimised();
    }
}

QSize Form::frameExtra() const {
    return frameGeometry().size() - size();
}

}  // namespace tornel::ui
