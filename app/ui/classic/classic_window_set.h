#pragma once

#include "qellib/types.h"
#include "ui/views/core_actions.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class CloseGuard;
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
    std::vector<const QWidget*> windowsOnScreen() const override;

    // Asked before the users or the transfers window closes; a window whose
    // close it refuses stays on screen.
    void setCloseCheck(std::function<bool(const QWidget&)> check);

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
    // Asks the close check when a window is closed.
    std::unique_ptr<CloseGuard> closeGuard_;
};

}  // namespace tornel::ui
