#include "core/icons/file_icon.h"

#include "core/interfaces/file_icon_list.h"
#include "core/util/safe_local_name.h"

#include <QMimeDatabase>

namespace tornel {

namespace {

constexpr std::string_view kNoExtension = "noiconext";
constexpr std::string_view kKeySuffix = "_ext";

std::string_view extensionOf(std::string_view path) {
    const std::string_view name = lastPathComponent(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size()) {
        return kNoExtension;
    }
    return name.substr(dot + 1);
}

}  // namespace

std::string fileIconKey(std::string_view path) {
    std::string key(extensionOf(path));
    key += kKeySuffix;
    return key;
}

QIcon themeFileIcon(std::string_view extension) {
    // Only the name is matched against the MIME database: no file is read
    // or made, whatever the extension holds.
    const QString name =
        QStringLiteral("file.") +
        QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size()));
    const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) {
        icon = QIcon::fromTheme(type.genericIconName());
    }
    return icon;
}

std::string getFileIcon(std::string_view path, FileIconList& list) {
    const std::string key = fileIconKey(path);
    if (std::optional<std::string> stored = list.storedKey(key)) {
        return *stored;
    }
    const std::string_view extension = extensionOf(path);
    QIcon icon = extension == kNoExtension ? QIcon() : themeFileIcon(extension);
    if (icon.isNull()) {
        icon = list.genericFileIcon();
    }
    list.addIcon(key, icon);
    return key;
}

}  // namespace tornel
