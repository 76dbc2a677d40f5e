#pragma once

#include "ui/form/screen_info.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

namespace tornel::ui {

// Where a prompt whose outer frame is `frame` goes so that it covers none
// of the prompts open already (`open`, their outer frames): at the bottom
// right of `screen`, 450 twips above its lower edge; when that is taken,
// the first free place above it, then in the columns to its left. Every
// place lies inside the screen's available area. When no place is free
// there, the prompt is offset by a small step up and to the left for each
// prompt open, as far as the area allows.
QPoint stackedPromptPosition(const QSize& frame, const ScreenInfo& screen,
                             const std::vector<QRect>& open);

// Moves a shown prompt, by its outer frame, to stackedPromptPosition and
// raises it.
void placeAbove(QWidget& prompt, const ScreenInfo& screen, const std::vector<QRect>& open);

// Moves a shown prompt, by its outer frame, to the bottom right of
// `screen`, 450 twips above the screen's lower edge (inside the available
// area), and raises it.
void placeAtBottomRight(QWidget& prompt, const ScreenInfo& screen);

}  // namespace tornel::ui
