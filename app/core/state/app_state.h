#pragma once

#include "core/chat/unsolicited_chats.h"
#include "core/interfaces/chat_window.h"
#include "core/interfaces/user_interface.h"
#include "core/interfaces/window_ref.h"
#include "core/log/error_log.h"
#include "core/network/discovery_connections.h"
#include "core/permissions/permission_questions.h"
#include "core/program/command_line.h"
#include "core/push/parked_offers.h"
#include "core/settings/settings_file.h"
#include "core/state/allowed_id.h"
#include "core/state/download.h"
#include "core/state/keyed_collection.h"
#include "core/state/user.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>

namespace qel {
class cQEL;
class cQELDiscover;
}  // namespace qel

namespace tornel {

class cMain;
class cUpload;

// The whole state of one run of the program: its settings (named after
// their keys in "Settings.xml"), run flags, users-search state, shared
// objects and collections, with the program folder, the command line, the
// error log and the windows as the core reaches them. Made once by main and
// passed by reference.
struct AppState {
    AppState(std::string folder, CommandLine line);
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // Every setting back to its default.
    void resetSettings();
    // A file of the program folder.
    std::string programFile(const std::string& name) const;
    // Writes one line to "Log.txt".
    void logError(const std::string& description, int64_t number, const std::string& source) const {
        log.logError(description, number, source);
    }

    // Where "Settings.xml", "Windows.xml", "Log.txt", "Files/" and the lock live.
    const std::string programFolder;
    const CommandLine commandLine;
    const ErrorLog log;
    UserInterface ui;

    // Settings.
    std::string NodeGUID;
    bool NewUI = true;
    bool ShowOther = false;
    bool ShowUploads = true;
    bool HideSystemFiles = true;
    std::string Name = "Tornel User";
    int64_t Timeout = 10000;
    int64_t Port = 20210;
    bool Compression = true;
    bool routeFiles = true;  // read from "Settings.xml", never written
    int64_t refreshInterval = 300000;
    int64_t MaxDL = 3;
    int64_t FileChunk = 10;
    std::string DownloadPath;
    bool ShowDLWindow = false;
    bool ShowTransWindow = true;

    // Run flags.
    bool connecting = false;
    bool started = false;
    bool closing = false;
    // The exit question is on screen; a second exit request waits for its answer.
    bool exitQuestionOpen = false;

    // Users search.
    bool usersSearched = false;
    int64_t lastUsersRefresh = 0;
    bool usersRefreshPending = false;
    int64_t userCount = 0;
    bool searchTimedOut = false;

    // Shared objects.
    std::shared_ptr<qel::cQEL> qelSession;
    std::shared_ptr<cMain> controller;
    std::shared_ptr<qel::cQELDiscover> discovery;
    cSettingsFile windowSettings;

    // Collections.
    KeyedCollection<std::string> sharedFolders;
    KeyedCollection<std::shared_ptr<cAllowedID>> allowedIDs;
    KeyedCollection<std::string> serverList;
    KeyedCollection<WindowRef<FilesWindow>> filesWindows;
    KeyedCollection<std::shared_ptr<cUser>> users;
    KeyedCollection<WindowRef<ChatWindow>> chatWindows;
    KeyedCollection<std::shared_ptr<cDownload>> downloads;
    KeyedCollection<std::shared_ptr<cUpload>> pendingPushes;
    KeyedCollection<std::string> connections;

    // The file requests parked on the user's access questions.
    PermissionQuestions permissionQuestions;
    // The connections the users search opened lately.
    DiscoveryConnections discoveryConnections;
    // The bound on chat windows that lines from peers open.
    UnsolicitedChats unsolicitedChats;

    // Chat windows whose link check is waiting for its ping.
    std::unordered_set<const void*> pingsRunning;
    // The file offers waiting for the user's answer.
    ParkedOffers parkedOffers;
};

// Empties the nine collections (`create` or not: a released collection is an
// empty one).
void setCollections(AppState& state, bool create);

}  // namespace tornel
