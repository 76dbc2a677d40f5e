#include "platform/config_folder.h"

#include <QDir>
#include <QStandardPaths>

#include <optional>

namespace platform {
namespace {

std::optional<std::string> folderOverride;

}  // namespace

std::string configFolder() {
    const QString folder =
        folderOverride ? QString::fromStdString(*folderOverride)
                       : QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                             QStringLiteral("/Tornel");
    QDir().mkpath(folder);
    return folder.toStdString();
}

ScopedConfigFolder::ScopedConfigFolder(std::string folder) {
    folderOverride = std::move(folder);
}

ScopedConfigFolder::~ScopedConfigFolder() {
    folderOverride.reset();
}

}  // namespace platform
