#include "ui/controls/image_list.h"

#include "ui/skin/skin.h"

#include <QPainter>
#include <QPixmapCache>

namespace tornel::ui {

namespace {

QString foldedKey(const QString& key) {
    return key.toCaseFolded();
}

// `picture` unchanged over a light rim one pixel wide, so that a glyph of the
// selection's own colour still stands out on it.
QPixmap outlined(const QPixmap& picture) {
    const QImage glyph = picture.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage rim = glyph;
    {
        QPainter painter(&rim);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(rim.rect(), QColor(255, 255, 255, 230));
    }
    QImage result(glyph.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (dx != 0 || dy != 0) {
                painter.drawImage(dx, dy, rim);
            }
        }
    }
    painter.drawImage(0, 0, glyph);
    painter.end();
    QPixmap made = QPixmap::fromImage(result);
    made.setDevicePixelRatio(picture.devicePixelRatio());
    return made;
}

// The outlined form of `picture`, made once per picture: every row of a
// long list (a peer's folder) shows one of a few pictures, and the rows then
// share one outlined copy instead of each drawing its own.
QPixmap outlinedOnce(const QPixmap& picture) {
    const QString key = QStringLiteral("tornel.outlined.") + QString::number(picture.cacheKey());
    QPixmap made;
    if (!QPixmapCache::find(key, &made)) {
        made = outlined(picture);
        QPixmapCache::insert(key, made);
    }
    return made;
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
        icon.addPixmap(outlinedOnce(picture), QIcon::Selected);
    }
    return icon;
}

}  // namespace tornel::ui
