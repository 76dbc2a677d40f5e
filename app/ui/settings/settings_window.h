#pragma once

#include "ui/form/form.h"
#include "ui/tray/tray_icon_control.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

#include <memory>
#include <vector>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class CoreActions;
class SettingsDialog;
class ViewSwitcher;

// The settings window, loaded at start-up and hidden for the whole run: it
// holds the tray icon and its menu and the 60000 ms users-refresh timer, and
// shows the settings dialog. Closing it by its frame only hides it.
class SettingsWindow : public Form, public TrayIconEvents {
    Q_OBJECT

  public:
    SettingsWindow(AppState& state, ViewSwitcher& views, CoreActions& core);
    ~SettingsWindow() override;

    const std::shared_ptr<TrayIconControl> systemTray;
    QTimer* const timRefresh;
    SettingsDialog* const dialog;

    // The tray menu.
    QMenu* const mnuPopup;
    QMenu* const mnuChat;
    // mnuChatItem[0] is "(No users online)"; 1..n the users of the last rebuild.
    std::vector<QAction*> mnuChatItem;
    QAction* const mnuChatSep;
    QAction* const mnuExplore;
    QAction* const mnuTransfers;
    QAction* const sep0;
    QAction* const mnuSharedFiles;
    QAction* const sep3;
    QAction* const mnuSettings;
    QAction* const mnuExit;

    void systemTray_MouseDown() override;
    void systemTray_MouseUp(int Button) override;
    void mnuChatItem_Click(int Index);
    void timRefresh_Timer();
    // Fills the settings dialog afresh and shows it (not modal).
    void mnuSettings_Click();

    // The end of start-up: the timer runs, the tool tip says "Tornel", and
    // where the desktop has no tray the current view is shown with the tray
    // menu's items in its title-bar menu.
    void startRefreshTimer();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void refreshToolTip();
    // Rebuilds the chat items from the users and enables the exit item.
    void rebuildChatItems();
    void offerMenuInTitleBars();

    AppState& state_;
    ViewSwitcher& views_;
    CoreActions& core_;
    bool menuInTitleBars_ = false;
    bool shownBefore_ = false;
};

}  // namespace tornel::ui
