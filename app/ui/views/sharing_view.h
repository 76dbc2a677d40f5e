#pragma once

#include "ui/views/view_window.h"

namespace tornel::ui {

// The Sharing view (frmShared): the folders this node shares. Its drive
// tree and folder list join later; for now it has its skin and tabs.
class SharingView : public ViewWindow {
    Q_OBJECT

  public:
    explicit SharingView(ViewSwitcher& switcher)
        : ViewWindow(QStringLiteral("frmShared"), 3, switcher) {}

    // Rebuilds the drive tree and the working copy of the shared folders.
    virtual void showDrives() {}
    // Whether the working copy differs from the shared folders.
    virtual bool hasUnsavedChanges() const { return false; }
    // Offers to save the working copy.
    virtual void saveShared() {}
};

}  // namespace tornel::ui
