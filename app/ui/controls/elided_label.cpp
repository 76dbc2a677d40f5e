#include "ui/controls/elided_label.h"

#include <QPainter>
#include <QStyle>

namespace tornel::ui {

ElidedLabel::ElidedLabel(QWidget* parent, const QString& name) : Label(parent, name) {
    setWordWrap(false);
}

void ElidedLabel::setText(const QString& text) {
    Label::setText(text);
    offerWholeText();
}

QRect ElidedLabel::textArea() const {
    QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    if (indent() > 0) {
        const Qt::Alignment side = QStyle::visualAlignment(layoutDirection(), alignment());
        if (side & Qt::AlignLeft) {
            area.setLeft(area.left() + indent());
        } else if (side & Qt::AlignRight) {
            area.setRight(area.right() - indent());
        }
    }
    return area;
}

QString ElidedLabel::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, textArea().width());
}

QSize ElidedLabel::minimumSizeHint() const {
    return {0, Label::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    offerWholeText();
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, textArea(),
                          int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                          isEnabled(), shownText(), foregroundRole());
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    Label::resizeEvent(event);
    offerWholeText();
}

void ElidedLabel::offerWholeText() {
    const QString tip = shownText() == text() ? QString() : text();
    if (toolTip() != tip) {
        setToolTip(tip);
    }
}

}  // namespace tornel::ui
