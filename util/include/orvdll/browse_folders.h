#pragma once

#include <string>

class QWidget;

namespace orv {

// The desktop's modal folder picker.
class cBrowseFolders {
  public:
    // Shows the picker over `OwnerhWnd` with `DialogTitle` (UTF-8), opened at
    // `StartFolder` when that is a folder (else the home folder), and returns
    // the chosen folder's path without a trailing "/" ("/" itself stays), or
    // "" when the user cancels. The path's bytes are returned exactly.
    std::string BrowseFolders(QWidget* OwnerhWnd, const std::string& DialogTitle,
                              const std::string& StartFolder = {});
};

}  // namespace orv
