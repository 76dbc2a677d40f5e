#pragma once

class QAbstractItemView;

namespace tornel::ui {

// Makes `view` mark its current row, while it has the focus, with a thin
// dotted outline only: no fill, so a row the focus rests on never looks
// selected (the style's own focus mark fills the row in the selection's
// colour). Selected rows keep the style's look.
void useFocusMark(QAbstractItemView& view);

}  // namespace tornel::ui
