#include "ui/controls/label.h"

#include "ui/controls/control_name.h"

#include <QMouseEvent>

namespace tornel::ui {

Label::Label(QWidget* parent, const QString& name, int index) : QLabel(parent), index_(index) {
    setObjectName(controlName(name, index));
    setTextFormat(Qt::PlainText);
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit click();
    }
}

}  // namespace tornel::ui
