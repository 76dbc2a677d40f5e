#include "ui/chat/last_line_keeper.h"

#include "ui/controls/make_child.h"

#include <QPlainTextEdit>
#include <QScrollBar>

namespace tornel::ui {

namespace {

// Follows whether the box shows its end, and brings the end back into view
// when the scroll range changes (new wrapping, a new height) while it did.
class LastLineKeeper : public QObject {
  public:
    explicit LastLineKeeper(QPlainTextEdit* conversation) : QObject(conversation) {
        QScrollBar* bar = conversation->verticalScrollBar();
        connect(bar, &QScrollBar::valueChanged, this,
                [this, bar](int value) { showsEnd_ = value >= bar->maximum(); });
        // The range changes before the value is brought inside it: the box
        // showed its end when the value stood at the old end.
        connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
            if (showsEnd_) {
                bar->setValue(maximum);
            }
        });
    }

  private:
    bool showsEnd_ = true;
};

}  // namespace

void keepLastLineInView(QPlainTextEdit& conversation) {
    makeChild<LastLineKeeper>(&conversation);
}

}  // namespace tornel::ui
