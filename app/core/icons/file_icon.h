#pragma once

#include <QIcon>

#include <string>
#include <string_view>

namespace tornel {

class FileIconList;

// The image key of a file's type: the text after the last "." of the last
// path component (over "\" and "/"), as written, & "_ext"; "noiconext_ext"
// when that component has no "." or nothing follows it.
std::string fileIconKey(std::string_view path);

// The desktop's small icon for files with `extension`, from the MIME type
// the extension names and the icon theme; null when the theme has none.
QIcon themeFileIcon(std::string_view extension);

// The key under which `list` holds the small icon of the type of `path` (a
// name, a listing entry or a remote path), adding the icon the first time
// the type is seen: the theme's, else the list's generic file picture. No
// file is made anywhere.
std::string getFileIcon(std::string_view path, FileIconList& list);

}  // namespace tornel
