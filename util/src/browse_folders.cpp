#include "orvdll/browse_folders.h"

#include "trap.h"

#include "platform/folder_picker.h"

namespace orv {

std::string cBrowseFolders::BrowseFolders(QWidget* OwnerhWnd, const std::string& DialogTitle,
                                          const std::string& StartFolder) {
    std::string unreported;  // the class reports nothing but an empty result
    return trapErrors(unreported, std::string(), [&] {
        std::string folder = platform::pickFolder(OwnerhWnd, DialogTitle, StartFolder);
        while (folder.size() > 1 && folder.ends_with('/')) {
            folder.pop_back();
        }
        return folder;
    });
}

}  // namespace orv
