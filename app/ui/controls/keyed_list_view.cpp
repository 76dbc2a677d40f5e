#include "ui/controls/keyed_list_view.h"

#include "core/icons/file_icon.h"
#include "platform/runtime_error.h"
#include "ui/controls/image_list.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

#include <algorithm>
#include <memory>

namespace tornel::ui {

namespace {

constexpr int kFileColumn = 0;
// The file's column keeps at least this share of the list's width (one in three).
constexpr int kFileShare = 3;
// Room after a column's widest text, so the next column's text stands apart.
constexpr int kColumnAir = 12;
// A long peer name keeps at least this share of the width (one in six).
constexpr int kPeerShare = 6;
constexpr int kKeyRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

}  // namespace

KeyedListView::KeyedListView(QWidget* parent, const QString& name, ImageList& icons,
                             const QStringList& headers)
    : TwipsControl<QTreeWidget>(parent, name), icons_(icons) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setTextElideMode(Qt::ElideRight);
    setColumnCount(int(headers.size()));
    setHeaderLabels(headers);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setSectionResizeMode(kFileColumn, QHeaderView::Stretch);
}

int KeyedListView::sizeHintForColumn(int column) const {
    const int fitted = QTreeWidget::sizeHintForColumn(column) + kColumnAir;
    const int last = columnCount() - 1;
    if (column != last || column == kFileColumn) {
        return fitted;
    }
    // The last column (the peer's name) takes what the file's names (up to
    // their share) and the other columns leave, and cuts a longer name.
    const int fileNeeds = std::min(viewport()->width() / kFileShare,
                                   QTreeWidget::sizeHintForColumn(kFileColumn) + kColumnAir);
    int room = viewport()->width() - fileNeeds;
    for (int other = kFileColumn + 1; other < last; ++other) {
        room -= std::max(QTreeWidget::sizeHintForColumn(other) + kColumnAir,
                         header()->sectionSizeHint(other));
    }
    // A long name keeps a sixth of the width, enough for its first words.
    const int least = std::min(fitted, viewport()->width() / kPeerShare);
    return std::max({std::min(fitted, room), least, header()->sectionSizeHint(column)});
}

bool KeyedListView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QTreeWidget::viewportEvent(event);
    }
    // A text cut with "…" is offered whole.
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex cell = indexAt(help->pos());
    const QString whole = cell.data(Qt::DisplayRole).toString();
    const QRect area = visualRect(cell);
    const int iconRoom = cell.column() == kFileColumn ? iconSize().width() + 8 : 0;
    if (cell.isValid() && fontMetrics().horizontalAdvance(whole) + iconRoom + 8 > area.width()) {
        QToolTip::showText(help->globalPos(), whole, viewport(), area);
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}

bool KeyedListView::rowExists(const std::string& key) const {
    return rows_.contains(text(key));
}

QTreeWidgetItem* KeyedListView::row(const std::string& key) const {
    return rows_.value(text(key), nullptr);
}

QTreeWidgetItem& KeyedListView::existingRow(const std::string& key) const {
    QTreeWidgetItem* found = row(key);
    if (!found) {
        throw platform::RuntimeError(platform::rt::InvalidProcedureCall);
    }
    return *found;
}

std::string KeyedListView::keyOf(const QTreeWidgetItem* row) {
    return row ? row->data(0, kKeyRole).toString().toStdString() : std::string();
}

void KeyedListView::addRow(const std::string& key, const std::string& caption,
                           const std::string& iconPath, bool atTop) {
    if (rowExists(key)) {
        throw platform::RuntimeError(platform::rt::DuplicateKey);
    }
    auto item = std::make_unique<QTreeWidgetItem>(QStringList{text(caption)});
    item->setData(0, kKeyRole, text(key));
    item->setIcon(
        0,
        steadyIcon(icons_.picture(QString::fromStdString(tornel::getFileIcon(iconPath, icons_)))));
    QTreeWidgetItem* added = item.get();
    if (atTop) {
        insertTopLevelItem(0, item.release());
    } else {
        addTopLevelItem(item.release());
    }
    rows_.insert(text(key), added);
}

std::string KeyedListView::cellText(const std::string& key, int column) const {
    return existingRow(key).text(column).toStdString();
}

void KeyedListView::setCellText(const std::string& key, int column, const std::string& value) {
    existingRow(key).setText(column, text(value));
}

std::string KeyedListView::tag(const std::string& key) const {
    return existingRow(key).data(0, kTagRole).toString().toStdString();
}

void KeyedListView::setTag(const std::string& key, const std::string& value) {
    existingRow(key).setData(0, kTagRole, text(value));
}

void KeyedListView::removeRow(const std::string& key) {
    std::unique_ptr<QTreeWidgetItem> removed(&existingRow(key));  // leaves the list with it
    rows_.remove(text(key));
}

void KeyedListView::clear() {
    rows_.clear();
    QTreeWidget::clear();
}

std::vector<std::string> KeyedListView::keys() const {
    std::vector<std::string> all;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        all.push_back(keyOf(topLevelItem(i)));
    }
    return all;
}

std::vector<std::string> KeyedListView::selectedKeys() const {
    std::vector<std::string> selected;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->isSelected()) {
            selected.push_back(keyOf(topLevelItem(i)));
        }
    }
    return selected;
}

}  // namespace tornel::ui
