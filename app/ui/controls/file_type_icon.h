#pragma once

#include <QString>

#include <string_view>

namespace tornel::ui {

class ImageList;

// The key of the small icon of `path`'s file type in `imageList` (the
// extension after the last "." with "_ext", "noiconext_ext" without one),
// adding the picture the first time the type is seen; a key already held
// under another letter case is returned as held.
QString getFileIcon(std::string_view path, ImageList& imageList);

}  // namespace tornel::ui
