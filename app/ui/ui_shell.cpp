#include "ui/ui_shell.h"

#include "core/state/app_state.h"
#include "ui/chat/chat_opener.h"
#include "ui/download/download_status_window.h"
#include "ui/prompts/confirm_prompts.h"
#include "ui/prompts/incoming_prompt_window.h"
#include "ui/settings/settings_window.h"

namespace tornel::ui {

UiShell::UiShell(AppState& state, CoreActions& core)
    : state_(state),
      core_(core),
      context_(state.windowSettings),
      views_(state, context_, core),
      classic_(state, context_, core) {
    views_.setClassicWindows(&classic_);
    classic_.setCloseCheck([this](const QWidget& window) { return views_.mayClose(window); });
}

UiShell::~UiShell() = default;

SettingsWindow& UiShell::settingsWindow() {
    if (!settings_) {
        settings_ = std::make_unique<SettingsWindow>(state_, views_, core_);
    }
    return *settings_;
}

void UiShell::loadSettingsWindow() {
    settingsWindow();
}

void UiShell::loadExploreView() {
    views_.frmMain();
}

void UiShell::startRefreshTimer() {
    settingsWindow().startRefreshTimer();
}

bool UiShell::exploreViewVisible() const {
    return views_.exploreVisible();
}

void UiShell::exploreShowUsers() {
    views_.frmMain().showUsers();
}

void UiShell::showTransfers() {
    views_.showTransfers();
}

std::shared_ptr<DownloadWindow> UiShell::newDownloadWindow(
    const std::shared_ptr<cDownload>& download) {
    return newDownloadStatusWindow(state_, download);
}

void UiShell::usersWindowShowUsers() {
    classic_.usersShowUsers();
}

void UiShell::setConnectionLabel(const std::string& text) {
    classic_.setConnectionLabel(text);
}

void UiShell::showSharedFiles(const qel::typNodeInfo& node) {
    classic_.showSharedFiles(node);
}

void UiShell::unloadAll() {
    unloadChatWindows(state_);
    classic_.unloadAll();
    views_.unloadAll();
    if (settings_) {
        settings_->timRefresh->stop();
        settings_->hide();
    }
}

void installUserInterface(AppState& state, const std::shared_ptr<UiShell>& shell) {
    state.ui.shell = shell;
    state.ui.tray = shell->settingsWindow().systemTray;
    state.ui.incoming = std::make_shared<IncomingPromptWindows>(state);
    state.ui.confirm = std::make_shared<ConfirmPromptLoader>(state);
}

}  // namespace tornel::ui
