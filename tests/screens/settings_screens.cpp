#include "core/state/app_state.h"
#include "screens/screens.h"
#include "ui/settings/general_tab.h"
#include "ui/settings/interface_tab.h"
#include "ui/settings/settings_dialog.h"
#include "ui/settings/settings_window.h"
#include "ui/ui_shell.h"

#include <QApplication>

#include <memory>

namespace tornel::screens {

namespace {

void settle() {
    QApplication::processEvents();
}

void allow(AppState& state, const std::string& id, const std::string& name) {
    auto grant = std::make_shared<cAllowedID>();
    grant->id = id;
    grant->Name = name;
    grant->NeverExpires = !name.empty();
    state.allowedIDs.add(std::move(grant));
}

// Settings as a user might have them after a while.
void fillSettings(AppState& state) {
    state.Name = "Ann's laptop";
    state.DownloadPath = "/home/ann/Downloads/Tornel";
    state.MaxDL = 3;
    state.ShowDLWindow = false;
    state.ShowTransWindow = true;
    state.Port = 20210;
    state.Timeout = 10000;
    state.FileChunk = 10;
    state.refreshInterval = 90000;
    state.NewUI = true;
    state.serverList.clear();
    state.serverList.add("server.home", "server.home");
    state.serverList.add("192.168.1.20:20210", "192.168.1.20:20210");
    state.allowedIDs.clear();
    allow(state, "5F0C", "Tom");
    allow(state, "77A1", "");  // a grant for a while, which has no name
    allow(state, "9B3E", "Kitchen PC");
}

}  // namespace

void settingsScreens(ScreenSet& set) {
    fillSettings(set.state);
    ui::SettingsWindow& window = set.shell.settingsWindow();
    ui::SettingsDialog& dialog = *window.dialog;
    window.mnuSettings_Click();
    const QStringList names{QStringLiteral("general"), QStringLiteral("downloads"),
                            QStringLiteral("network"), QStringLiteral("interface"),
                            QStringLiteral("advanced")};
    for (int tab = 0; tab < names.size(); ++tab) {
        dialog.tabSettings->setCurrentIndex(tab);
        settle();
        set.shots.window(QStringLiteral("settings-") + names[tab], window);
    }

    // The other window mode chosen, and a line of each list chosen.
    dialog.tabSettings->setCurrentIndex(3);
    dialog.interfaceTab->optIntStd->setChecked(true);
    settle();
    set.shots.window(QStringLiteral("settings-interface-multiple"), window);
    dialog.tabSettings->setCurrentIndex(0);
    dialog.general->lstAllowed->setCurrentRow(1);
    settle();
    set.shots.window(QStringLiteral("settings-general-chosen"), window);
    window.dialog->cmdCancel_Click();
    dialog.tabSettings->setCurrentIndex(0);
}

}  // namespace tornel::screens
