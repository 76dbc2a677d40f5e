#pragma once

#include "core/interfaces/file_icon_list.h"

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include <vector>

namespace tornel::ui {

// An ordered list of pictures, numbered from 1 and optionally keyed; keys
// are looked up without regard to case and kept as first stored. Pictures
// are only ever appended. File-type icons join it as 16-pixel pictures.
class ImageList : public FileIconList {
  public:
    // Appends `picture` under `key` (may be empty) and returns its number.
    // A key already present is not added again; its number is returned.
    int add(const QPixmap& picture, const QString& key = {});

    int count() const { return static_cast<int>(pictures_.size()); }
    bool contains(const QString& key) const;

    // The picture numbered `index` (from 1), or a null picture.
    QPixmap picture(int index) const;
    // The picture under `key`, or a null picture.
    QPixmap picture(const QString& key) const;
    // The number of the picture under `key`, or 0.
    int indexOf(const QString& key) const;
    // The key of picture `index` as it was stored ("" for none).
    QString key(int index) const;

    // FileIconList
    std::optional<std::string> storedKey(const std::string& key) const override;
    void addIcon(const std::string& key, const QIcon& icon) override;
    QIcon genericFileIcon() const override;

    static constexpr int kSmallIconSize = 16;

  private:
    std::vector<QPixmap> pictures_;
    std::vector<QString> keys_;
    QHash<QString, int> numbersByKey_;
};

// An icon that shows `picture` as it is also on a selected row, where the
// style would tint it with the selection's colour (a yellow folder turning
// brown); there it stands on a light rim, so that a blue glyph does not
// vanish on the blue highlight.
QIcon steadyIcon(const QPixmap& picture);

}  // namespace tornel::ui
