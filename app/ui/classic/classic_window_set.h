#pragma once

#include "qellib/types.h"
#include "ui/views/core_actions.h"

#include <QPointer>

#include <memory>
#include <string>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class TransfersWindow;
class UsersWindow;
struct WindowContext;

// The plain windows of the multiple-windows mode as the program reaches
// them: the users window (made on first use, kept for the run), the
// transfers window (made again after each close) and the openers of the
// per-peer files windows.
class ClassicWindowSet : public ClassicWindows {
  public:
    ClassicWindowSet(AppState& state, WindowContext& context, CoreActions& core);
    ~ClassicWindowSet() override;
    ClassicWindowSet(const ClassicWindowSet&) = delete;
    ClassicWindowSet& operator=(const ClassicWindowSet&) = delete;

    // The users window, loaded hidden when it is not loaded yet.
    UsersWindow& frmUsers();
    // The transfers window, or null while it is not loaded.
    TransfersWindow* frmTransfers() const;

    // ClassicWindows.
    void showUsersWindow() override;
    void displayTransfersWindow() override;

    // The users window's connection label.
    void setConnectionLabel(const std::string& text);
    // A users search in the users window.
    void usersShowUsers();
    // Opens the files window of `node` (or raises its open one).
    void showSharedFiles(const qel::typNodeInfo& node);
    // Closes every plain window (the end of the run); the placements are written.
    void unloadAll();

  private:
    AppState& state_;
    WindowContext& context_;
    CoreActions& core_;
    std::unique_ptr<UsersWindow> users_;
    QPointer<TransfersWindow> transfers_;
};

}  // namespace tornel::ui
