#include "core/settings/apply_settings.h"

#include "core/log/guarded.h"
#include "core/network/connections.h"
#include "core/network/node_bring_up.h"
#include "core/network/session.h"
#include "core/settings/program_settings.h"
#include "core/settings/settings_entries.h"
#include "core/state/app_state.h"
#include "qellib/discover.h"

#include <string>
#include <vector>

namespace tornel {
namespace {

constexpr std::string_view Source = "cmdOK_Click";

void storeSettings(AppState& state, const ConfirmedSettings& settings) {
    state.Name = settings.Name;
    state.Port = settings.Port;
    state.Timeout = settings.Timeout;
    state.NewUI = settings.NewUI;
    state.ShowOther = settings.ShowOther;
    state.HideSystemFiles = settings.HideSystemFiles;
    state.Compression = settings.Compression;
    state.DownloadPath = settings.DownloadPath;
    state.ShowDLWindow = settings.ShowDLWindow;
    state.ShowTransWindow = settings.ShowTransWindow;
    state.refreshInterval = settings.refreshInterval;
    state.MaxDL = settings.MaxDL;
    state.FileChunk = settings.FileChunk;
}

// The server list becomes the dialog's lines, each keyed by its own text.
void replaceServers(AppState& state, const std::vector<std::string>& servers) {
    state.serverList.clear();
    for (const std::string& server : servers) {
        state.serverList.add(server, server);
    }
}

void listenAgain(const AppState& state) {
    if (!session(state).Listen(static_cast<int32_t>(state.Port))) {
        throw platform::RuntimeError(
            platform::rt::PathFileAccessError,
            "TCP port " + std::to_string(state.Port) + " could not be opened");
    }
}

// Discovery answers on the port after the TCP one, so it moves along with a
// new TCP port (a node without a discovery object has nothing to move).
void discoverableAgain(const AppState& state) {
    if (!state.discovery) {
        return;
    }
    state.discovery->notDiscoverable();
    if (!state.discovery->makeDiscoverable(static_cast<int32_t>(state.Port + 1))) {
        throw platform::RuntimeError(
            platform::rt::PathFileAccessError,
            "UDP port " + std::to_string(state.Port + 1) + " could not be opened");
    }
}

// Closes the connections to servers that are no longer listed; the node
// would otherwise keep retrying them.
void disconnectDropped(const AppState& state, const std::vector<std::string>& previous) {
    for (const std::string& server : previous) {
        if (!state.serverList.exists(server)) {
            guarded(state.log, Source, [&] { session(state).disconnectFrom(server); });
        }
    }
}

}  // namespace

void applySettings(AppState& state, const ConfirmedSettings& settings) {
    guarded(state.log, Source, [&] { session(state).stopListening(); });
    const int64_t previousPort = state.Port;
    storeSettings(state, settings);
    const std::vector<std::string> previous = state.serverList.snapshot();
    replaceServers(state, settings.servers);
    saveSettings(state);
    guarded(state.log, Source, [&] { session(state).setName(state.Name); });
    guarded(state.log, Source, [&] { listenAgain(state); });
    if (state.Port != previousPort) {
        guarded(state.log, Source, [&] { discoverableAgain(state); });
    }
    advNetwork(state);
    disconnectDropped(state, previous);
    connectTo(state);
}

}  // namespace tornel
