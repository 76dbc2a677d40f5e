#pragma once

#include "app/ui/window_fixture.h"
#include "support/file_contents.h"
#include "support/scripted_prompts.h"
#include "ui/settings/advanced_tab.h"
#include "ui/settings/downloads_tab.h"
#include "ui/settings/general_tab.h"
#include "ui/settings/interface_tab.h"
#include "ui/settings/network_tab.h"
#include "ui/settings/settings_dialog.h"
#include "ui/settings/settings_window.h"

#include <memory>
#include <string>
#include <vector>

namespace tornel::test {

// The settings window over the views, with scripted prompts.
class SettingsDialogTest : public ViewTest {
  protected:
    SettingsDialogTest() { state.ui.prompts = prompts; }

    std::string logText() const { return readFile(folder.file("Log.txt")); }

    ui::SettingsDialog& dialog() { return *settings.dialog; }
    ui::GeneralTab& general() { return *dialog().general; }
    ui::DownloadsTab& downloads() { return *dialog().downloads; }
    ui::NetworkTab& network() { return *dialog().network; }
    ui::InterfaceTab& interfaceTab() { return *dialog().interfaceTab; }
    ui::AdvancedTab& advanced() { return *dialog().advanced; }

    void allow(const std::string& id, const std::string& name) {
        auto grant = std::make_shared<cAllowedID>();
        grant->id = id;
        grant->Name = name;
        grant->NeverExpires = true;
        state.allowedIDs.add(std::move(grant));
    }

    static std::vector<std::string> shownLines(const QListWidget& list) {
        std::vector<std::string> lines;
        for (int row = 0; row < list.count(); ++row) {
            lines.push_back(list.item(row)->text().toStdString());
        }
        return lines;
    }

    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    ui::SettingsWindow settings{state, views, core};
};

}  // namespace tornel::test
