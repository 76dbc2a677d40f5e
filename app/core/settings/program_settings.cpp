#include "core/settings/program_settings.h"

#include "core/log/guarded.h"
#include "core/settings/kesto_migration.h"
#include "core/settings/setting_limits.h"
#include "core/settings/settings_file.h"
#include "core/state/app_state.h"
#include "core/util/utilities.h"
#include "platform/files.h"
#include "platform/runtime_error.h"

#include <QDir>
#include <QFile>

#include <limits>

namespace tornel {
namespace {

constexpr std::string_view LoadSource = "loadSettings";
constexpr std::string_view SaveSource = "saveSettings";

// Reads one setting into `target`; a missing key leaves the default, a value
// that is not of the setting's type or outside `range` is logged and leaves
// the default too.
template <class Value>
void readSetting(const AppState& state, const cSettingsFile& file, std::string_view key,
                 Value& target,
                 SettingRange range = {std::numeric_limits<int64_t>::min(),
                                       std::numeric_limits<int64_t>::max()}) {
    guarded(state.log, LoadSource, [&] {
        const Value value = file.getValue(key, target);
        if constexpr (std::is_same_v<Value, int64_t>) {
            if (!range.contains(value)) {
                throw platform::RuntimeError(
                    platform::rt::InvalidPropertyValue,
                    platform::errorText(platform::rt::InvalidPropertyValue) + " (" +
                        std::string(key) + ")");
            }
        }
        target = value;
    });
}

// Adds the text of every `item` child of list `list` to `collection`, keyed
// by itself; an entry that is there already is logged and skipped.
void readList(const AppState& state, cSettingsFile& file, std::string_view list,
              std::string_view item, KeyedCollection<std::string>& collection) {
    guarded(state.log, LoadSource, [&] {
        file.openNode(list);
        const int count = file.countNodes(item);
        for (int i = 1; i <= count; ++i) {
            guarded(state.log, LoadSource, [&] {
                std::string text = file.getValue(item, "", i);
                collection.add(text, text);
            });
        }
        file.closeNode();
    });
}

void readGrants(AppState& state, cSettingsFile& file) {
    guarded(state.log, LoadSource, [&] {
        file.openNode("AllowedIDs");
        const int count = file.countNodes("Allowed");
        for (int i = 1; i <= count; ++i) {
            guarded(state.log, LoadSource, [&] {
                file.openNode("Allowed", i);
                auto grant = std::make_shared<cAllowedID>();
                grant->NeverExpires = true;
                grant->id = file.getValue("ID", "");
                grant->Name = file.getValue("Name", "");
                file.closeNode();
                // A grant without an ID would admit nobody; it is dropped.
                if (!grant->id.empty()) {
                    state.allowedIDs.add(std::move(grant));
                }
            });
        }
        file.closeNode();
    });
}

// Reads the settings in their fixed order; true when this node's ID was
// made now, for want of one in the file.
bool readScalars(AppState& state, const cSettingsFile& file) {
    readSetting(state, file, "NodeGUID", state.NodeGUID);
    const bool madeID = state.NodeGUID.empty();
    if (madeID) {
        state.NodeGUID = GUID();
    }
    readSetting(state, file, "NewUI", state.NewUI);
    readSetting(state, file, "ShowOther", state.ShowOther);
    readSetting(state, file, "ShowUploads", state.ShowUploads);
    readSetting(state, file, "HideSystemFiles", state.HideSystemFiles);
    readSetting(state, file, "Name", state.Name);
    readSetting(state, file, "Timeout", state.Timeout, limits::Timeout);
    readSetting(state, file, "Port", state.Port, limits::Port);
    readSetting(state, file, "Compression", state.Compression);
    readSetting(state, file, "routeFiles", state.routeFiles);
    readSetting(state, file, "refreshInterval", state.refreshInterval, limits::RefreshInterval);
    readSetting(state, file, "MaxDL", state.MaxDL, limits::MaxDL);
    readSetting(state, file, "FileChunk", state.FileChunk, limits::FileChunk);
    readSetting(state, file, "DownloadPath", state.DownloadPath);
    readSetting(state, file, "ShowDLWindow", state.ShowDLWindow);
    readSetting(state, file, "ShowTransWindow", state.ShowTransWindow);
    return madeID;
}

void makeDownloadFolder(const AppState& state) {
    guarded(state.log, LoadSource, [&] {
        if (!QDir().mkpath(QString::fromStdString(state.DownloadPath))) {
            throw platform::RuntimeError(platform::rt::PathNotFound);
        }
    });
}

// Copies a settings file that exists but does not load to "<name>.bad", so
// that the next save, which writes a fresh file, does not destroy it.
// Whether the copy was made.
bool keepAside(const AppState& state, const std::string& path) {
    const bool kept = guarded(state.log, LoadSource, [&] {
        const QString bad = QString::fromStdString(path + ".bad");
        QFile::remove(bad);
        if (!QFile::copy(QString::fromStdString(path), bad)) {
            throw platform::RuntimeError(platform::rt::PathFileAccessError);
        }
    });
    const std::string name = getFileName(path);
    state.logError(name + " could not be read" + (kept ? "; it is kept as " + name + ".bad" : ""),
                   -1, std::string(LoadSource));
    return kept;
}

void writeList(cSettingsFile& file, std::string_view list, std::string_view item,
               const KeyedCollection<std::string>& collection) {
    file.openNode(list);
    file.clearNode();
    int position = 0;
    for (const auto& entry : collection) {
        file.setValue(item, entry.item, ++position);
    }
    file.closeNode();
}

void writeGrants(cSettingsFile& file, const KeyedCollection<std::shared_ptr<cAllowedID>>& grants) {
    file.openNode("AllowedIDs");
    file.clearNode();
    int written = 0;
    for (const auto& entry : grants) {
        if (entry.item->NeverExpires) {
            file.openNode("Allowed", ++written);
            file.setValue("ID", entry.item->id);
            file.setValue("Name", entry.item->Name);
            file.closeNode();
        }
    }
    file.closeNode();
}

}  // namespace

bool loadSettings(AppState& state) {
    state.resetSettings();
    guarded(state.log, LoadSource, [&] { migrateKesto(state.programFolder); });

    const std::string path = state.programFile("Settings.xml");
    cSettingsFile file;
    if (!file.loadFile(path) && platform::fileStatus(path) && !keepAside(state, path)) {
        // Saving now would destroy the only copy of the node ID, the shares
        // and the grants.
        return false;
    }
    const bool madeID = readScalars(state, file);
    makeDownloadFolder(state);
    readList(state, file, "Folders", "Folder", state.sharedFolders);
    readList(state, file, "Servers", "Server", state.serverList);
    readGrants(state, file);
    state.windowSettings.loadFile(state.programFile("Windows.xml"));
    // Peers and grants know this node by its ID: a new one is kept at once,
    // so that a crash before the end of the run does not make another.
    if (madeID) {
        saveSettings(state);
    }
    return true;
}

void saveSettings(AppState& state) {
    guarded(state.log, SaveSource, [&] {
        cSettingsFile file;
        file.setRootName("Tornel");
        file.setValue("NewUI", state.NewUI);
        file.setValue("NodeGUID", state.NodeGUID);
        file.setValue("Name", state.Name);
        file.setValue("Timeout", state.Timeout);
        file.setValue("Port", state.Port);
        file.setValue("Compression", state.Compression);
        file.setValue("ShowOther", state.ShowOther);
        file.setValue("ShowUploads", state.ShowUploads);
        file.setValue("HideSystemFiles", state.HideSystemFiles);
        file.setValue("refreshInterval", state.refreshInterval);
        file.setValue("MaxDL", state.MaxDL);
        file.setValue("FileChunk", state.FileChunk);
        file.setValue("DownloadPath", state.DownloadPath);
        file.setValue("ShowDLWindow", state.ShowDLWindow);
        file.setValue("ShowTransWindow", state.ShowTransWindow);
        writeList(file, "Folders", "Folder", state.sharedFolders);
        writeList(file, "Servers", "Server", state.serverList);
        writeGrants(file, state.allowedIDs);
        file.saveFile(state.programFile("Settings.xml"));
    });
}

}  // namespace tornel
