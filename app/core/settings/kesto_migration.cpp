#include "core/settings/kesto_migration.h"

#include "platform/ascii.h"
#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/runtime_error.h"

#include <unistd.h>

#include <cerrno>

namespace tornel {
namespace {

constexpr std::string_view OldSettingsName = "KESTO.XML";
constexpr int64_t MaxSettingsBytes = 64 * 1024 * 1024;

// The name of the old settings file in `folder`, whatever its case; "" when absent.
std::string findOldSettings(const std::string& folder) {
    for (const platform::FolderEntry& entry :
         platform::readFolder(folder, platform::FolderDetail::Kinds).entries) {
        if (entry.status.kind == platform::EntryKind::File &&
            platform::asciiUpper(entry.name) == OldSettingsName) {
            return entry.name;
        }
    }
    return {};
}

void check(int error) {
    if (error != 0) {
        throw platform::errorFromErrno(error);
    }
}

}  // namespace

void migrateKesto(const std::string& programFolder) {
    const std::string found = findOldSettings(programFolder);
    if (found.empty()) {
        return;
    }
    const std::string oldPath = programFolder + "/" + found;
    std::string contents;
    check(platform::readWholeFile(oldPath, contents, MaxSettingsBytes));
    check(platform::writeFileAtomically(programFolder + "/Settings.xml", contents));
    check(::unlink(oldPath.c_str()) == 0 ? 0 : errno);
}

}  // namespace tornel
