#include "core/program/program_folder.h"

#include <QDir>

#include <unistd.h>

#include <cstdlib>

namespace tornel {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string dataFolder() {
    std::string base = environment("XDG_DATA_HOME");
    if (base.empty()) {
        base = environment("HOME") + "/.local/share";
    }
    return base + "/Tornel";
}

std::string made(const std::string& folder) {
    if (folder.empty() || !QDir().mkpath(QString::fromStdString(folder))) {
        return {};
    }
    return QDir(QString::fromStdString(folder)).absolutePath().toStdString();
}

}  // namespace

std::string findProgramFolder(const std::string& executableFolder) {
    if (const std::string home = environment("TORNEL_HOME"); !home.empty()) {
        return made(home);
    }
    if (!executableFolder.empty() && ::access(executableFolder.c_str(), W_OK) == 0) {
        return made(executableFolder);
    }
    return made(dataFolder());
}

}  // namespace tornel
