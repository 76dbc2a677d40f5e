#include "ui/controls/file_list.h"

#include "ui/controls/cut_text_tips.h"
#include "ui/controls/focus_mark.h"
#include "ui/controls/image_list.h"
#include "ui/controls/picture_box.h"
#include "ui/controls/readable_disabled_text.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <memory>

namespace tornel::ui {

namespace {
constexpr int kTagRole = Qt::UserRole;
constexpr int kTextRole = Qt::UserRole + 1;
}  // namespace

FileList::FileList(QWidget* parent, const QString& name) : QListWidget(parent) {
    setObjectName(name);
    setViewMode(QListView::ListMode);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setIconSize(QSize(ImageList::kSmallIconSize, ImageList::kSmallIconSize));
    setUniformItemSizes(true);
    useReadableDisabledText(*this);
    offerCutTextsWhole(*this);
    useFocusMark(*this);
}

QListWidgetItem* FileList::addEntry(const std::string& text, const QPixmap& icon,
                                    const QString& tag) {
    auto entry = std::make_unique<QListWidgetItem>(steadyIcon(icon), QString::fromStdString(text));
    entry->setData(kTagRole, tag);
    entry->setData(kTextRole, QByteArray::fromStdString(text));
    QListWidgetItem* added = entry.get();
    addItem(entry.release());
    return added;
}

QString FileList::tag(const QListWidgetItem* entry) {
    return entry->data(kTagRole).toString();
}

std::string FileList::text(const QListWidgetItem* entry) {
    return entry->data(kTextRole).toByteArray().toStdString();
}

bool FileList::isOverSelected(double x, double y) const {
    const QListWidgetItem* selected = currentItem();
    if (!selected) {
        return false;
    }
    const QRect box = visualItemRect(selected);
    const double left = pixelsToTwips(box.x());
    const double top = pixelsToTwips(box.y());
    return x > left && x < left + pixelsToTwips(box.width()) && y > top &&
           y < top + pixelsToTwips(box.height());
}

void FileList::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    const QPoint at = event->position().toPoint();
    emit mouseUp(PictureBox::buttonNumber(event->button()), pixelsToTwips(at.x()),
                 pixelsToTwips(at.y()));
}

void FileList::keyPressEvent(QKeyEvent* event) {
    QListWidget::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed();
    }
}

}  // namespace tornel::ui
