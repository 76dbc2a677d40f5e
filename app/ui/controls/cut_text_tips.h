#pragma once

class QAbstractItemView;
class QModelIndex;

namespace tornel::ui {

// Whether the text of `index` is cut in `view`: the room its delegate
// needs (icon, check box and whole text) is wider than what the view shows
// of the item.
bool isTextCut(const QAbstractItemView& view, const QModelIndex& index);

// Makes `view` offer each item text it shows cut with "…" whole, as a tool
// tip over the item; a whole text gets none.
void offerCutTextsWhole(QAbstractItemView& view);

}  // namespace tornel::ui
