#pragma once

#include "core/settings/settings_entries.h"

#include <QPushButton>
#include <QTabWidget>
#include <QWidget>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class AdvancedTab;
class DownloadsTab;
class GeneralTab;
class InterfaceTab;
class NetworkTab;
class SettingsHeading;
class ViewSwitcher;

// The settings dialog inside the settings window: its heading, the five
// tabs, OK and Cancel. Edits live in the controls until OK, which checks
// every field, hides the window and applies them; Cancel only hides it.
class SettingsDialog : public QWidget {
    Q_OBJECT

  public:
    SettingsDialog(QWidget* parent, AppState& state, ViewSwitcher& views);

    SettingsHeading* const heading;
    QTabWidget* const tabSettings;
    GeneralTab* const general;
    DownloadsTab* const downloads;
    NetworkTab* const network;
    InterfaceTab* const interfaceTab;
    AdvancedTab* const advanced;
    QPushButton* const cmdOK;
    QPushButton* const cmdCancel;

    // Every control from the settings, the servers and the allowed IDs,
    // dropping edits that were not confirmed. The chosen tab stays.
    void fill();
    // What the controls hold, as OK reads them.
    SettingsEntries entries() const;

    // A field that holds no valid value is named in a message, shown and
    // chosen, and nothing changes; otherwise the window hides and the
    // settings are applied.
    void cmdOK_Click();
    void cmdCancel_Click();

  private:
    void refuse(const RefusedEntry& refused);
    QWidget* controlOf(RefusedEntry::Field field) const;

    AppState& state_;
};

}  // namespace tornel::ui
