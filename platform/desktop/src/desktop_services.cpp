#include "platform/desktop_services.h"

#include "folder_dialog.h"

#include "platform/debug_window.h"
#include "platform/desktop.h"
#include "platform/folder_picker.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include <memory>
#include <utility>

namespace platform {

void installDesktopServices() {
    installDebugOutput([](DebugWindowOptions options) -> std::unique_ptr<DebugOutput> {
        return std::make_unique<DebugOutputWindow>(std::move(options));
    });
    installFolderPicker(pickFolderWithDialog);
    installDesktopOpener([](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    });
}

}  // namespace platform
