#include "ui/skinned/window_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace tornel::ui {

void WindowDrag::begin(QWidget& window, QWidget& source, QPoint globalPress) {
    end();
    if (QWindow* handle = window.windowHandle(); handle && handle->startSystemMove()) {
        return;
    }
    window_ = &window;
    source_ = &source;
    lastGlobal_ = globalPress;
    source.installEventFilter(this);
}

bool WindowDrag::eventFilter(QObject* watched, QEvent* event) {
    if (watched != source_ || !window_) {
        return false;
    }
    if (event->type() == QEvent::MouseMove) {
        const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        window_->move(window_->pos() + (global - lastGlobal_));
        lastGlobal_ = global;
    } else if (event->type() == QEvent::MouseButtonRelease) {
        end();
    }
    return false;
}

void WindowDrag::end() {
    if (source_) {
        source_->removeEventFilter(this);
    }
    source_ = nullptr;
    window_ = nullptr;
}

}  // namespace tornel::ui
