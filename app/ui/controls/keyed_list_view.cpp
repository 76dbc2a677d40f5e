#include "ui/controls/keyed_list_view.h"

#include "core/icons/file_icon.h"
#include "platform/runtime_error.h"
#include "ui/controls/column_widths.h"
#include "ui/controls/cut_text_tips.h"
#include "ui/controls/focus_mark.h"
#include "ui/controls/image_list.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>
#include <memory>

namespace tornel::ui {

namespace {

constexpr int kFileColumn = 0;
// The file's column keeps at least this share of the list's width.
constexpr double kFileShare = 0.4;
// Room around a column's text: the cell's margins, and air before the next.
constexpr int kColumnAir = 16;
constexpr int kKeyRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;

// For each column after the file's, the texts it shows whole if it can:
// the widest of the headers of both transfer lists ("From" for the
// uploads' "To", so both lists line up), and the longest text it usually
// holds (status words, "100%", sizes, speeds, a name of two words). A
// longer text is cut, and shown whole in the tool tip.
struct ColumnTexts {
    QString header;
    QString widest;
};
const std::vector<ColumnTexts>& columnTexts() {
    static const std::vector<ColumnTexts> texts{
        {},
        {QStringLiteral("Status"), QStringLiteral("Asking Permission")},
        {QStringLiteral("Progress"), QStringLiteral("100%")},
        {QStringLiteral("Size"), QStringLiteral("1023.9 MB")},
        {QStringLiteral("Speed"), QStringLiteral("999.9 KB/s")},
        {QStringLiteral("From"), QStringLiteral("Margaret Example")}};
    return texts;
}

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
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setColumnCount(int(headers.size()));
    setHeaderLabels(headers);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Fixed);
    offerCutTextsWhole(*this);
    useFocusMark(*this);
    fitColumnsToWidth();
}

ColumnNeed KeyedListView::columnNeed(int column) const {
    const QFontMetrics metrics = fontMetrics();
    const auto width = [&](const QString& text) {
        return metrics.horizontalAdvance(text) + kColumnAir;
    };
    int least = width(headerItem()->text(column));
    int widest = least;
    if (column < int(columnTexts().size())) {
        least = std::max(least, width(columnTexts()[size_t(column)].header));
        widest = std::max(least, width(columnTexts()[size_t(column)].widest));
    }
    return {least, widest};
}

void KeyedListView::fitColumnsToWidth() {
    // The room with a vertical scroll bar counted whether it shows or not:
    // columns then never move as rows come and go.
    const int room = maximumViewportSize().width() - verticalScrollBar()->sizeHint().width();
    std::vector<ColumnNeed> needs;
    for (int column = kFileColumn + 1; column < columnCount(); ++column) {
        needs.push_back(columnNeed(column));
    }
    std::vector<int> widths = fitColumns(room, needs, kFileShare);
    // The last column takes the pixels a hidden scroll bar leaves, so every
    // other column starts at the same place with or without one.
    widths.back() += std::max(0, viewport()->width() - room);
    for (int column = 0; column < columnCount(); ++column) {
        setColumnWidth(column, widths[size_t(column)]);
    }
}

void KeyedListView::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    fitColumnsToWidth();
}

void KeyedListView::changeEvent(QEvent* event) {
    QTreeWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        fitColumnsToWidth();
    }
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
