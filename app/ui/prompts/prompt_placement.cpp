#include "ui/prompts/prompt_placement.h"

#include <QWidget>

#include <algorithm>

namespace tornel::ui {

namespace {

constexpr Twips kAboveBottom = 450;
// The offset of each further prompt where the screen has no free place.
constexpr int kCascadeStep = 24;

// `corner` moved as little as needed for `size` to lie inside `area` (its
// top left corner wins where `size` is larger than `area`).
QPoint keptInside(QPoint corner, const QSize& size, const QRect& area) {
    const int x = std::max(area.left(), std::min(corner.x(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(corner.y(), area.bottom() + 1 - size.height()));
    return {x, y};
}

bool isFree(const QRect& place, const std::vector<QRect>& open) {
    return std::ranges::none_of(open,
                                [&place](const QRect& taken) { return taken.intersects(place); });
}

}  // namespace

QPoint stackedPromptPosition(const QSize& frame, const ScreenInfo& screen,
                             const std::vector<QRect>& open) {
    const QRect area = screen.availablePixels();
    const Twips width = pixelsToTwips(frame.width());
    const Twips height = pixelsToTwips(frame.height());
    const QPoint first = keptInside(QPoint(twipsToPixels(screen.Width() - width),
                                           twipsToPixels(screen.Height() - height - kAboveBottom)),
                                    frame, area);
    if (frame.width() > 0 && frame.height() > 0) {
        for (int left = first.x(); left >= area.left(); left -= frame.width()) {
            for (int top = first.y(); top >= area.top(); top -= frame.height()) {
                const QRect place(QPoint(left, top), frame);
                if (isFree(place, open)) {
                    return place.topLeft();
                }
            }
        }
    }
    const int step = kCascadeStep * static_cast<int>(open.size());
    return keptInside(first - QPoint(step, step), frame, area);
}

void placeAbove(QWidget& prompt, const ScreenInfo& screen, const std::vector<QRect>& open) {
    const QRect frame = prompt.frameGeometry();
    // move() places the frame's top left corner for a top-level window.
    prompt.move(stackedPromptPosition(frame.size(), screen, open));
    prompt.raise();
}

void placeAtBottomRight(QWidget& prompt, const ScreenInfo& screen) {
    placeAbove(prompt, screen, {});
}

}  // namespace tornel::ui
