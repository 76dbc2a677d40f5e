#pragma once

#include <string>

class QWidget;

namespace platform {

// The folder picker as a modal file dialog offering folders only, starting in
// the home folder.
std::string pickFolderWithDialog(QWidget* owner, const std::string& title);

}  // namespace platform
