#pragma once

#include "core/interfaces/shell.h"
#include "ui/classic/classic_window_set.h"
#include "ui/skinned/window_context.h"
#include "ui/views/view_switcher.h"

#include <memory>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class CoreActions;
class SettingsWindow;

// The program's windows as the core reaches them: the views, the hidden
// settings window with the tray icon, and their placement.
class UiShell : public Shell {
  public:
    UiShell(AppState& state, CoreActions& core);
    ~UiShell() override;

    void loadSettingsWindow() override;
    void loadExploreView() override;
    void startRefreshTimer() override;
    bool exploreViewVisible() const override;
    void exploreShowUsers() override;
    void showTransfers() override;
    std::shared_ptr<DownloadWindow> newDownloadWindow(
        const std::shared_ptr<cDownload>& download) override;
    void newConv(const qel::typNodeInfo& node) override;
    void unloadAll() override;
    void usersWindowShowUsers() override;
    void setConnectionLabel(const std::string& text) override;
    void showSharedFiles(const qel::typNodeInfo& node) override;

    ViewSwitcher& views() { return views_; }
    ClassicWindowSet& classicWindows() { return classic_; }
    // Loads the settings window when it is not loaded yet.
    SettingsWindow& settingsWindow();

  private:
    AppState& state_;
    CoreActions& core_;
    WindowContext context_;
    ViewSwitcher views_;
    ClassicWindowSet classic_;
    std::unique_ptr<SettingsWindow> settings_;
};

// Puts the windows in place of the core's empty ones: the shell and the tray
// icon of the settings window.
void installUserInterface(AppState& state, const std::shared_ptr<UiShell>& shell);

}  // namespace tornel::ui
