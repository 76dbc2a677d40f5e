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

void tell(const AppState& state, const std::string& text, PromptIcon icon) {
    guarded(state.log, "Main", [&] {
        state.ui.prompts->messageBox(text, PromptButtons::Ok, icon, "Tornel");
    });
}

std::string settingsUnreadableText(const AppState& state) {
    return "Settings.xml in " + state.programFolder +
           " cannot be read or kept aside, so Tornel ends rather than write over it. Make the "
           "file readable (or move it away) and start Tornel again.";
}

}  // namespace

Program::Program(AppState& state) : state_(state), lock_(state.programFolder) {}

bool Program::start() {
    AppState& state = state_;
    const auto step = [&state](auto&& run) { guarded(state.log, "Main", run); };
    if (checkUpdateFlags(state.programFolder, state.commandLine, state.log) ==
        UpdateFlagsResult::End) {
        return false;
    }
    if (!takeLock()) {
        return false;
    }
    state.log.clear();
    step([&] { setCollections(state, true); });
    bool settingsUsable = true;
    step([&] { settingsUsable = loadSettings(state); });
    if (!settingsUsable) {
        tell(state, settingsUnreadableText(state), PromptIcon::Critical);
        return false;
    }
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

bool Program::takeLock() {
    const int64_t waitMs = state_.commandLine.has(SwitchDelete) ? OldCopyWaitMs : 0;
    switch (lock_.acquire(waitMs)) {
        case SingleInstanceLock::Outcome::Taken:
            return true;
        case SingleInstanceLock::Outcome::HeldByAnotherCopy:
            tell(state_, "Tornel is already running.", PromptIcon::Information);
            return false;
        case SingleInstanceLock::Outcome::FolderUnusable:
            tell(state_,
                 "Tornel cannot write in its folder " + state_.programFolder + " (" +
                     lock_.failureText() +
                     "). Free some space or make the folder writable, or choose another "
                     "folder with TORNEL_HOME.",
                 PromptIcon::Critical);
            return false;
    }
    return false;
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
