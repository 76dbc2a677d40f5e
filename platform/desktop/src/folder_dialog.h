#pragma once

#include <string>

class QWidget;

namespace platform {

// The folder picker as a modal file dialog offering folders only, starting in
// `startFolder` when that is a folder, else in the home folder.
std::string pickFolderWithDialog(QWidget* owner, const std::string& title,
                                 const std::string& startFolder);

}  // namespace platform
