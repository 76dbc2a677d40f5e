#include "platform/desktop_services.h"

#include "folder_dialog.h"

#include "platform/debug_window.h"
#include "platform/folder_picker.h"

#include <memory>
#include <utility>

namespace platform {

void installDesktopServices() {
    installDebugOutput([](DebugWindowOptions options) -> std::unique_ptr<DebugOutput> {
        return std::make_unique<DebugOutputWindow>(std::move(options));
    });
    installFolderPicker(pickFolderWithDialog);
}

}  // namespace platform
