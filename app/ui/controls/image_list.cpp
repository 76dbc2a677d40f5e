#include "ui/controls/image_list.h"

#include "ui/skin/skin.h"

namespace tornel::ui {

namespace {
QString foldedKey(const QString& key) {
    return key.toCaseFolded();
}
}  // namespace

int ImageList::add(const QPixmap& picture, const QString& key) {
    if (!key.isEmpty()) {
        if (const int existing = indexOf(key); existing > 0) {
            return existing;
        }
    }
    pictures_.push_back(picture);
    keys_.push_back(key);
    const int number = count();
    if (!key.isEmpty()) {
        numbersByKey_.insert(foldedKey(key), number);
    }
    return number;
}

bool ImageList::contains(const QString& key) const {
    return indexOf(key) > 0;
}

QPixmap ImageList::picture(int index) const {
    if (index < 1 || index > count()) {
        return {};
    }
    return pictures_[static_cast<size_t>(index - 1)];
}

QPixmap ImageList::picture(const QString& key) const {
    return picture(indexOf(key));
}

int ImageList::indexOf(const QString& key) const {
    return numbersByKey_.value(foldedKey(key), 0);
}

QString ImageList::key(int index) const {
    if (index < 1 || index > count()) {
        return {};
    }
    return keys_[static_cast<size_t>(index - 1)];
}

std::optional<std::string> ImageList::storedKey(const std::string& key) const {
    const int index = indexOf(QString::fromStdString(key));
    if (index == 0) {
        return std::nullopt;
    }
    return this->key(index).toStdString();
}

void ImageList::addIcon(const std::string& key, const QIcon& icon) {
    add(icon.pixmap(kSmallIconSize, kSmallIconSize), QString::fromStdString(key));
}

QIcon ImageList::genericFileIcon() const {
    return steadyIcon(Skin::instance().picture(pictures::kGenericFile));
}

QIcon steadyIcon(const QPixmap& picture) {
    QIcon icon(picture);
    if (!picture.isNull()) {
        icon.addPixmap(picture, QIcon::Selected);
    }
    return icon;
}

}  // namespace tornel::ui
