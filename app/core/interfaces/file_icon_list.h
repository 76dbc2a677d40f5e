#pragma once

#include <QIcon>

#include <optional>
#include <string>

namespace tornel {

// The list of small pictures of one file list, as file-type icons see it:
// pictures under keys that are looked up without regard to case and kept as
// first stored. Each window's image list implements it.
class FileIconList {
  public:
    virtual ~FileIconList() = default;

    // The key as stored of the picture whose key equals `key` without regard
    // to case; nothing when the list holds none.
    virtual std::optional<std::string> storedKey(const std::string& key) const = 0;
    // Appends `icon` under `key`.
    virtual void addIcon(const std::string& key, const QIcon& icon) = 0;
    // The skin's picture of a file with no icon of its own type.
    virtual QIcon genericFileIcon() const = 0;
};

}  // namespace tornel
