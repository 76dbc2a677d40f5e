#include "ui/controls/shape.h"

#include <QPainter>

namespace tornel::ui {

Shape::Shape(QWidget* parent, const QString& name) : QWidget(parent) {
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::setFill(const QColor& fill) {
    fill_ = fill;
    update();
}

void Shape::setBorder(const QColor& border) {
    border_ = border;
    update();
}

void Shape::setRadius(qreal radius) {
    radius_ = radius;
    update();
}

void Shape::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, radius_ > 0);
    painter.setPen(border_.isValid() ? QPen(border_, 1) : QPen(Qt::NoPen));
    painter.setBrush(fill_);
    const qreal inset = border_.isValid() ? 0.5 : 0;
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), radius_,
                            radius_);
}

}  // namespace tornel::ui
