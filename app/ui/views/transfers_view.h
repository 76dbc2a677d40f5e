#pragma once

#include "ui/views/view_window.h"

namespace tornel::ui {

// The Transfers view (frmTrans): downloads and uploads. Its lists join
// later; for now it has its skin, tabs and buttons.
class TransfersView : public ViewWindow {
    Q_OBJECT

  public:
    explicit TransfersView(ViewSwitcher& switcher);

    // Brings both lists up to date.
    virtual void updateLists() {}
};

}  // namespace tornel::ui
