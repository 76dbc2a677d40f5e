#pragma once

#include <QPainter>
#include <QPixmap>

#include <functional>

namespace tornel::ui {

// A transparent picture of `size` with `paint` run on an antialiased painter:
// how the default skin draws its pictures in code.
inline QPixmap drawn(QSize size, const std::function<void(QPainter&)>& paint) {
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paint(painter);
    return picture;
}

}  // namespace tornel::ui
