#include "core/program/program.h"

#include "core/log/guarded.h"
#include "core/network/connections.h"
#include "core/network/node_bring_up.h"
#include "core/network/users_search.h"
#include "core/program/shutdown.h"
#include "core/program/tray.h"
#include "core/settings/program_settings.h"
#include "core/state/app_state.h"
#include "core/update/self_update.h"
#include "core/update/update_flags.h"

#include <QCoreApplication>

namespace tornel {
namespace {

// How long a copy started to finish a self-update waits for the old one to end.
constexpr int64_t OldCopyWaitMs = 5000;

}  // namespace

Program::Program(AppState& state) : state_(state), lock_(state.programFolder) {}

bool Program::start() {
    AppState& state = state_;
    const auto step = [&state](auto&& run) { guarded(state.log, "Main", run); };
    if (checkUpdateFlags(state.programFolder, state.commandLine, state.log) ==
        UpdateFlagsResult::End) {
        return false;
    }
    if (!lock_.acquire(state.commandLine.has(SwitchDelete) ? OldCopyWaitMs : 0)) {
        step([&] {
            state.ui.prompts->messageBox("Tornel is already running.", PromptButtons::Ok,
                                         PromptIcon::Information, "Tornel");
        });
        return false;
    }
    state.log.clear();
    step([&] { setCollections(state, true); });
    step([&] { loadSettings(state); });
    step([&] { state.ui.shell->loadSettingsWindow(); });
    showTrayIcon(state, "Loading");
    step([&] { initNetwork(state); });
    step([&] { shareFolders(state); });
    step([&] { connectTo(state); });
    if (state.commandLine.has(SwitchUpdate)) {
        checkForUpdate(state);
    }
    state.started = true;
    // There is no pointer movement over a tray icon to refresh its tool tip
    // by, so it changes with the state.
    step([&] { state.ui.tray->setToolTip("Tornel"); });
    step([&] { refreshUserList(state); });
    step([&] { state.ui.shell->loadExploreView(); });
    step([&] { exploreCheck(state, true); });
    step([&] { state.ui.shell->startRefreshTimer(); });
    return true;
}

int Program::run() {
    if (!start()) {
        return 0;
    }
    if (!state_.closing) {
        QCoreApplication::exec();
    }
    tearDown(state_);
    return 0;
}

}  // namespace tornel
