#include "ui/controls/cut_text_tips.h"

#include "ui/controls/make_child.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QStyleOptionViewItem>
#include <QToolTip>

#include <algorithm>

namespace tornel::ui {

namespace {

// Watches a view's visible area for tool tip requests.
class CutTextTips : public QObject {
  public:
    explicit CutTextTips(QAbstractItemView* view) : QObject(view), view_(*view) {
        view->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != view_.viewport() || event->type() != QEvent::ToolTip) {
            return false;
        }
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = view_.indexAt(help->pos());
        if (index.isValid() && isTextCut(view_, index)) {
            QToolTip::showText(help->globalPos(), index.data(Qt::DisplayRole).toString(),
                               view_.viewport(), view_.visualRect(index));
        } else {
            QToolTip::hideText();
        }
        return true;
    }

  private:
    QAbstractItemView& view_;
};

}  // namespace

bool isTextCut(const QAbstractItemView& view, const QModelIndex& index) {
    const QAbstractItemDelegate* delegate = view.itemDelegateForIndex(index);
    if (!delegate || index.data(Qt::DisplayRole).toString().isEmpty()) {
        return false;
    }
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.font = view.font();
    option.fontMetrics = view.fontMetrics();
    option.decorationSize = view.iconSize().isValid() ? view.iconSize() : QSize(16, 16);
    option.textElideMode = view.textElideMode();
    option.widget = &view;
    const int needed = delegate->sizeHint(option, index).width();
    // What shows of the item: its cell, less any part beyond the visible area.
    const QRect cell = view.visualRect(index);
    const int shown = std::min(cell.right(), view.viewport()->width() - 1) - cell.left() + 1;
    return needed > shown;
}

void offerCutTextsWhole(QAbstractItemView& view) {
    makeChild<CutTextTips>(&view);
}

}  // namespace tornel::ui
