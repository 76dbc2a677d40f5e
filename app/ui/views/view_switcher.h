#pragma once

#include "ui/skinned/task_bar_proxy.h"
#include "ui/views/explore_view.h"
#include "ui/views/sharing_view.h"
#include "ui/views/transfers_view.h"

#include <QPointer>

#include <array>
#include <functional>
#include <memory>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class ClassicWindows;
class CoreActions;
struct WindowContext;

// The three views of the single-window mode shown one at a time in one
// place behind one task-bar entry (frmHidden), the tab handler, the openers
// of the tray menu, and the close of a view. The views are made on first
// use and stay until the end of the run.
class ViewSwitcher {
  public:
    // Makers of the views; tests give views that record their refreshes.
    struct Factory {
        std::function<std::unique_ptr<ExploreView>(ViewSwitcher&)> explore;
        std::function<std::unique_ptr<TransfersView>(ViewSwitcher&)> transfers;
        std::function<std::unique_ptr<SharingView>(ViewSwitcher&)> sharing;
    };

    ViewSwitcher(AppState& state, WindowContext& context, CoreActions& core, Factory factory = {});
    ~ViewSwitcher();
    ViewSwitcher(const ViewSwitcher&) = delete;
    ViewSwitcher& operator=(const ViewSwitcher&) = delete;

    ExploreView& frmMain();
    TransfersView& frmTrans();
    SharingView& frmShared();
    TaskBarProxy& frmHidden() { return frmHidden_; }
    // The three views, made where needed.
    std::array<ViewWindow*, 3> allViews();

    // The view shown last; null before the first Display.
    ViewWindow* currentView() const { return currentView_; }

    // Shows `frm` in the place of the visible view, then refreshes it.
    void Display(ViewWindow& frm);
    // Tab `Index` (1 Explore, 2 Transfers, 3 Sharing) clicked on `owner`.
    void tabClick(int Index, ViewWindow& owner);
    void showExplore();
    void showTransfers();
    void showSharing();
    // Hides the view and its task-bar entry; the program goes on behind its
    // tray icon. Where the desktop has no tray, closing the last window on
    // screen is Exit instead (see mayClose).
    void closeForm(ViewWindow& frm);

    // Where the desktop has no tray, nothing would be left to reach the
    // program by once its last window closes: from then on, closing the last
    // view or plain window on screen does what Exit does.
    void exitWhenLastWindowCloses() { exitOnLastClose_ = true; }
    // Whether `window` may close: always, unless it is the last window on
    // screen of a program without a tray; then Exit is asked for (with its
    // question about running transfers) and it may close only once the
    // program is ending.
    bool mayClose(const QWidget& window);

    // Offers to save unsaved edits of the Sharing view (before the program
    // ends, so they are not dropped without a question).
    void offerToSaveSharingEdits();

    // The plain windows of the multiple-windows mode, once they exist.
    void setClassicWindows(ClassicWindows* windows) { classic_ = windows; }

    bool isLoaded(const ViewWindow* view) const;
    // Whether the Explore view is made and on screen.
    bool exploreVisible() const { return explore_ && explore_->Visible(); }
    // Writes each loaded view's placement (the end of the run).
    void unloadAll();

    WindowContext& context() const { return context_; }
    AppState& state() const { return state_; }
    CoreActions& core() const { return core_; }

  private:
    // Explore, Transfers and Sharing, null where not made yet.
    std::array<ViewWindow*, 3> loadedViews() const;
    ViewWindow* firstVisibleView() const;
    // Whether no view or plain window other than `window` is on screen.
    bool isLastWindowOnScreen(const QWidget& window) const;
    void offerToSaveSharing(const ViewWindow& frm, const ViewWindow* prev);
    void refresh(ViewWindow& frm);
    QString captionOf(const ViewWindow& frm) const;

    AppState& state_;
    WindowContext& context_;
    CoreActions& core_;
    Factory factory_;
    ClassicWindows* classic_ = nullptr;
    TaskBarProxy frmHidden_;
    std::unique_ptr<ExploreView> explore_;
    std::unique_ptr<TransfersView> transfers_;
    std::unique_ptr<SharingView> sharing_;
    QPointer<ViewWindow> currentView_;
    bool exitOnLastClose_ = false;
};

}  // namespace tornel::ui
