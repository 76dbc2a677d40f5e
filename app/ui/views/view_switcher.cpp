#include "ui/views/view_switcher.h"

#include "core/log/guarded.h"
#include "core/state/app_state.h"
#include "ui/views/core_actions.h"

namespace tornel::ui {

namespace {

template <class View>
View& made(std::unique_ptr<View>& view,
           const std::function<std::unique_ptr<View>(ViewSwitcher&)>& maker,
           ViewSwitcher& switcher) {
    if (!view) {
        view = maker ? maker(switcher) : std::make_unique<View>(switcher);
    }
    return *view;
}

}  // namespace

ViewSwitcher::ViewSwitcher(AppState& state, WindowContext& context, CoreActions& core,
                           Factory factory)
    : state_(state),
      context_(context),
      core_(core),
      factory_(std::move(factory)),
      frmHidden_(QStringLiteral("Explore"), [this] {
          if (currentView_) {
              Display(*currentView_);
          }
      }) {}

ViewSwitcher::~ViewSwitcher() = default;

ExploreView& ViewSwitcher::frmMain() {
    return made(explore_, factory_.explore, *this);
}
TransfersView& ViewSwitcher::frmTrans() {
    return made(transfers_, factory_.transfers, *this);
}
SharingView& ViewSwitcher::frmShared() {
    return made(sharing_, factory_.sharing, *this);
}

std::array<ViewWindow*, 3> ViewSwitcher::allViews() {
    return {&frmMain(), &frmTrans(), &frmShared()};
}

bool ViewSwitcher::isLoaded(const ViewWindow* view) const {
    return view && (view == explore_.get() || view == transfers_.get() || view == sharing_.get());
}

std::array<ViewWindow*, 3> ViewSwitcher::loadedViews() const {
    return {explore_.get(), transfers_.get(), sharing_.get()};
}

ViewWindow* ViewSwitcher::firstVisibleView() const {
    for (ViewWindow* view : loadedViews()) {
        if (view && view->Visible()) {
            return view;
        }
    }
    return nullptr;
}

void ViewSwitcher::Display(ViewWindow& frm) {
    const ErrorLog& log = state_.log;
    const auto step = [&log](auto&& action) { guarded(log, "Display", action); };
    currentView_ = &frm;
    ViewWindow* prev = firstVisibleView();
    if (prev == &frm) {
        prev = nullptr;
    }
    step([&] { offerToSaveSharing(frm, prev); });
    if (prev) {
        step([&] {
            frm.setLeft(prev->Left());
            frm.setTop(prev->Top());
            frm.setWidth(prev->Width());
            frm.setHeight(prev->Height());
            frm.lower();
        });
    }
    step([&] {
        frmHidden_.unminimiseQuietly(frm);
        frm.show();
        frm.raise();
        frm.activateWindow();
    });
    step([&] {
        for (ViewWindow* other : loadedViews()) {
            // Only one view is ever on screen: the one left, and any other
            // still minimised, go out of the way.
            if (other && other != &frm && (other == prev || other->isMinimized())) {
                frmHidden_.unminimiseQuietly(*other);
                other->hide();
            }
        }
    });
    step([&] {
        frmHidden_.setCaption(captionOf(frm));
        frmHidden_.setBoundForm(&frm);
        frmHidden_.show();
    });
    step([&] { refresh(frm); });
}

void ViewSwitcher::offerToSaveSharing(const ViewWindow& frm, const ViewWindow* prev) {
    // Showing the Sharing view again, or leaving it, would drop its unsaved
    // edits: it asks first.
    if (!sharing_ || !sharing_->hasUnsavedChanges()) {
        return;
    }
    if (&frm == sharing_.get() || prev == sharing_.get()) {
        sharing_->saveShared();
    }
}

void ViewSwitcher::offerToSaveSharingEdits() {
    if (sharing_ && sharing_->hasUnsavedChanges()) {
        sharing_->saveShared();
    }
}

void ViewSwitcher::refresh(ViewWindow& frm) {
    if (&frm == explore_.get()) {
        if (!core_.exploreCheck(true)) {
            explore_->startNewCheck();
        }
    } else if (&frm == transfers_.get()) {
        transfers_->updateLists();
    } else if (&frm == sharing_.get()) {
        sharing_->showDrives();
    }
}

QString ViewSwitcher::captionOf(const ViewWindow& frm) const {
    if (&frm == explore_.get()) {
        return QStringLiteral("Explore");
    }
    return &frm == transfers_.get() ? QStringLiteral("Transfers") : QStringLiteral("Sharing");
}

void ViewSwitcher::tabClick(int Index, ViewWindow& owner) {
    guarded(state_.log, "tabClick", [&] {
        ViewWindow* target = nullptr;
        switch (Index) {
            case 1:
                target = &frmMain();
                break;
            case 2:
                target = &frmTrans();
                break;
            case 3:
                target = &frmShared();
                break;
            default:
                return;
        }
        if (target != &owner) {
            Display(*target);
        }
    });
}

void ViewSwitcher::showExplore() {
    skipFailure([&] {
        if (state_.NewUI || !classic_) {
            Display(frmMain());
        } else {
            classic_->showUsersWindow();
        }
    });
}

void ViewSwitcher::showTransfers() {
    skipFailure([&] {
        if (state_.NewUI || !classic_) {
            Display(frmTrans());
        } else {
            classic_->displayTransfersWindow();
        }
    });
}

void ViewSwitcher::showSharing() {
    skipFailure([&] { Display(frmShared()); });
}

bool ViewSwitcher::isLastWindowOnScreen(const QWidget& window) const {
    for (const ViewWindow* view : loadedViews()) {
        if (view && view != &window && view->isVisible()) {
            return false;
        }
    }
    if (classic_) {
        for (const QWidget* plain : classic_->windowsOnScreen()) {
            if (plain != &window) {
                return false;
            }
        }
    }
    return true;
}

bool ViewSwitcher::mayClose(const QWidget& window) {
    if (!exitOnLastClose_ || state_.closing || !isLastWindowOnScreen(window)) {
        return true;
    }
    // The tray menu's Exit.
    skipFailure([&] {
        offerToSaveSharingEdits();
        core_.shutDown(true);
    });
    return state_.closing;
}

void ViewSwitcher::closeForm(ViewWindow& frm) {
    const bool ends = exitOnLastClose_ && !state_.closing && isLastWindowOnScreen(frm);
    if (ends && !mayClose(frm)) {
        return;  // the user stays
    }
    if (!ends) {
        skipFailure([&] {
            if (currentView_ && currentView_ == sharing_.get()) {
                sharing_->saveShared();
            }
        });
    }
    frm.hide();
    frmHidden_.hide();
}

void ViewSwitcher::unloadAll() {
    for (ViewWindow* view : loadedViews()) {
        if (view) {
            view->Form_Unload();
            view->hide();
        }
    }
    frmHidden_.hide();
}

}  // namespace tornel::ui
