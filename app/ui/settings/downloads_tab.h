#pragma once

#include "ui/settings/settings_page.h"

namespace tornel {
struct AppState;
}

namespace tornel::ui {

// "Downloads": where new downloads go, how many run at once, and which
// windows show them.
class DownloadsTab : public SettingsPage {
    Q_OBJECT

  public:
    DownloadsTab(QWidget* parent, AppState& state);

    QLineEdit* const txtDownloads;
    QPushButton* const cmdBrowse;
    QLineEdit* const txtMaxDL;
    QCheckBox* const chkDLWindow;
    QCheckBox* const chkTransWindow;

    // The folder picker; the folder chosen replaces the folder's text (the
    // setting itself changes on OK).
    void cmdBrowse_Click();

  private:
    AppState& state_;
};

}  // namespace tornel::ui
