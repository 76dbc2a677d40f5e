#include "core/state/app_state.h"

#include "core/network/controller.h"
#include "qellib/discover.h"
#include "qellib/qel.h"

namespace tornel {

AppState::AppState(std::string folder, CommandLine line)
    : programFolder(std::move(folder)),
      commandLine(std::move(line)),
      log(programFolder.empty() ? std::string() : programFolder + "/Log.txt") {
    resetSettings();
}

AppState::~AppState() = default;

void AppState::resetSettings() {
    NodeGUID.clear();
    NewUI = true;
    ShowOther = false;
    ShowUploads = true;
    HideSystemFiles = true;
    Name = "Tornel User";
    Timeout = 10000;
    Port = 20210;
    Compression = true;
    routeFiles = true;
    refreshInterval = 300000;
    MaxDL = 3;
    FileChunk = 10;
    DownloadPath = programFile("Files");
    ShowDLWindow = false;
    ShowTransWindow = true;
}

std::string AppState::programFile(const std::string& name) const {
    return programFolder + "/" + name;
}

void setCollections(AppState& state, bool /*create*/) {
    state.sharedFolders.clear();
    state.allowedIDs.clear();
    state.serverList.clear();
    state.chatWindows.clear();
    state.filesWindows.clear();
    state.users.clear();
    state.downloads.clear();
    state.pendingPushes.clear();
    state.connections.clear();
}

}  // namespace tornel
