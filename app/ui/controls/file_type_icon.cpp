#include "ui/controls/file_type_icon.h"

#include "ui/controls/image_list.h"
#include "ui/skin/skin.h"

namespace tornel::ui {

namespace {

QString iconKey(std::string_view path) {
    const size_t dot = path.rfind('.');
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view{} : path.substr(dot + 1);
    const QString name = extension.empty()
                             ? QStringLiteral("noiconext")
                             : QString::fromUtf8(extension.data(), qsizetype(extension.size()));
    return name + QStringLiteral("_ext");
}

}  // namespace

QString getFileIcon(std::string_view path, ImageList& imageList) {
    const QString key = iconKey(path);
    if (const int held = imageList.indexOf(key); held > 0) {
        return imageList.keyOf(held);
    }
    // Every type shows the skin's file picture until the desktop's
    // file-type icons are asked for.
    imageList.add(Skin::instance().picture(pictures::kGenericFile), key);
    return key;
}

}  // namespace tornel::ui
