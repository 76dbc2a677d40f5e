#pragma once

#include "ui/settings/settings_page.h"

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class ViewSwitcher;

// "General": the node's name, the users that always have permission, and
// the way to the shared folders.
class GeneralTab : public SettingsPage {
    Q_OBJECT

  public:
    GeneralTab(QWidget* parent, AppState& state, ViewSwitcher& views);

    QLineEdit* const txtName;
    QListWidget* const lstAllowed;
    QPushButton* const cmdRemoveAllowed;
    QPushButton* const cmdShared;

    // One line per allowed ID, in the collection's order: its Name, or for a
    // grant without one the node's name as the library knows it, else its ID.
    void listIDs();
    // Removes the chosen allowed ID at once (Cancel keeps the removal).
    void cmdRemoveAllowed_Click();
    // Shows the Sharing view; the dialog stays open.
    void cmdShared_Click();

  private:
    AppState& state_;
    ViewSwitcher& views_;
};

}  // namespace tornel::ui
