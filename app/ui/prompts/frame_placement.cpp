#include "ui/prompts/frame_placement.h"

#include <QEvent>
#include <QWidget>

#include <utility>

namespace tornel::ui {

FramePlacement::FramePlacement(QWidget& prompt, std::function<void()> place)
    : QObject(&prompt), prompt_(prompt), place_(std::move(place)) {
    prompt.installEventFilter(this);
}

void FramePlacement::keep(QWidget& prompt, std::function<void()> place) {
    // Owned by the prompt; a second call only places again.
    for (QObject* child : prompt.children()) {
        if (auto* kept = dynamic_cast<FramePlacement*>(child)) {
            kept->place_ = std::move(place);
            kept->placedFrame_ = QSize();
            kept->placeWhenResized();
            return;
        }
    }
    (new FramePlacement(prompt, std::move(place)))->placeWhenResized();
}

bool FramePlacement::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &prompt_ && prompt_.isVisible() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
         event->type() == QEvent::Show)) {
        placeWhenResized();
    }
    return false;
}

void FramePlacement::placeWhenResized() {
    const QSize frame = prompt_.frameGeometry().size();
    if (frame == placedFrame_) {
        return;
    }
    placedFrame_ = frame;
    place_();
}

}  // namespace tornel::ui
