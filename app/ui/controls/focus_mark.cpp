#include "ui/controls/focus_mark.h"

#include "ui/controls/make_child.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace tornel::ui {

namespace {

// The application's style, with the focus mark of item views drawn as an
// outline. Kept by the view it styles.
class FocusMarkStyle : public QProxyStyle {
  public:
    // Over the style the view has now, which the proxy owns.
    explicit FocusMarkStyle(QAbstractItemView* view)
        : QProxyStyle(QStyleFactory::create(view->style()->name())) {
        setParent(view);
        view_ = view;
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        // Only the view's own drawing uses this style; its rows draw their
        // focus mark without naming the widget.
        if (element != PE_FrameFocusRect || !view_) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        if (!view_->hasFocus() && !view_->viewport()->hasFocus()) {
            return;
        }
        painter->save();
        QPen dotted(option->palette.color(QPalette::Text));
        dotted.setStyle(Qt::DotLine);
        painter->setPen(dotted);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }

  private:
    QPointer<QAbstractItemView> view_;
};

}  // namespace

void useFocusMark(QAbstractItemView& view) {
    view.setStyle(makeChild<FocusMarkStyle>(&view));
}

}  // namespace tornel::ui
