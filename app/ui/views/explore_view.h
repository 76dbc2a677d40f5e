#pragma once

#include "ui/views/view_window.h"

namespace tornel::ui {

// The Explore view (frmMain): users and their shared files. Its lists join
// later; for now it has its skin, tabs and buttons.
class ExploreView : public ViewWindow {
    Q_OBJECT

  public:
    explicit ExploreView(ViewSwitcher& switcher);

    // A fresh check for users when none were found.
    virtual void startNewCheck() {}
    // A users search from the start.
    virtual void showUsers() {}
    // Selects the user `nodeID` in the tree.
    virtual void selectUser(const std::string& /*nodeID*/) {}
};

}  // namespace tornel::ui
