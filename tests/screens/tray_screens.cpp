#include "core/state/app_state.h"
#include "screens/screens.h"
#include "ui/settings/settings_window.h"
#include "ui/ui_shell.h"

#include <QApplication>

#include <memory>

namespace tornel::screens {

namespace {

void settle() {
    QApplication::processEvents();
}

// The tray menu as a right click opens it, and its chat submenu beside it.
void trayMenuShots(ScreenSet& set, const QString& name) {
    ui::SettingsWindow& settings = set.shell.settingsWindow();
    settings.systemTray_MouseUp(2);
    settle();
    set.shots.window(name, *settings.mnuPopup);
    settings.mnuChat->popup(settings.mnuPopup->pos() + QPoint(settings.mnuPopup->width(), 0));
    settle();
    set.shots.window(name + QStringLiteral("-chat"), *settings.mnuChat);
    settings.mnuChat->hide();
    settings.mnuPopup->hide();
}

void addUser(AppState& state, const std::string& id, const std::string& name) {
    state.users.add(std::make_shared<cUser>(cUser{id, name}), id);
}

}  // namespace

void trayScreens(ScreenSet& set) {
    set.state.started = false;
    trayMenuShots(set, QStringLiteral("tray-menu-loading"));
    set.state.started = true;
    trayMenuShots(set, QStringLiteral("tray-menu-no-users"));
    addUser(set.state, "0A1B", "Ann");
    addUser(set.state, "7C2D", "Ann");
    addUser(set.state, "99EF", "Tom & Jerry");
    trayMenuShots(set, QStringLiteral("tray-menu-users"));

    // Without a tray (as here, offscreen) the title-bar menu takes the
    // tray's items.
    ui::SettingsWindow& settings = set.shell.settingsWindow();
    settings.startRefreshTimer();
    settle();
    ui::ViewWindow& view = *set.shell.views().currentView();
    view.popupTitleMenu(
        view.mapToGlobal(QPoint(view.imgIcon->x(), view.imgIcon->geometry().bottom())));
    settle();
    set.shots.windowWithMenu(QStringLiteral("explore-title-menu-no-tray"), view, *view.mnuTitlebar);
    view.mnuTitlebar->hide();
}

}  // namespace tornel::screens
