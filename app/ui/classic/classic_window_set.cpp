#include "ui/classic/classic_window_set.h"

#include "core/log/guarded.h"
#include "ui/classic/remote_files_window.h"
#include "ui/classic/transfers_window.h"
#include "ui/classic/users_window.h"
#include "ui/skinned/window_context.h"
#include "ui/skinned/window_placement.h"

#include <QCloseEvent>

namespace tornel::ui {

// Lets a window close only when the check allows it.
class CloseGuard : public QObject {
  public:
    std::function<bool(const QWidget&)> check;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close && check && watched->isWidgetType() &&
            !check(*static_cast<QWidget*>(watched))) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

ClassicWindowSet::ClassicWindowSet(AppState& state, WindowContext& context, CoreActions& core)
    : state_(state), context_(context), core_(core), closeGuard_(std::make_unique<CloseGuard>()) {}

ClassicWindowSet::~ClassicWindowSet() {
    // A transfers window still open is a top-level window of its own: it
    // goes with the set.
    const std::unique_ptr<TransfersWindow> open(transfers_.data());
}

UsersWindow& ClassicWindowSet::frmUsers() {
    if (!users_) {
        users_ = std::make_unique<UsersWindow>(state_, core_);
        users_->installEventFilter(closeGuard_.get());
        centreOnScreen(*users_, context_.screen);
    }
    return *users_;
}

TransfersWindow* ClassicWindowSet::frmTransfers() const {
    return transfers_.data();
}

void ClassicWindowSet::showUsersWindow() {
    UsersWindow& frm = frmUsers();
    if (frm.isMinimized()) {
        frm.showNormal();
    }
    frm.show();
    frm.showUsers();
    // The search waited for its answers; the window stays for the run.
    frm.raise();
    frm.activateWindow();
}

void ClassicWindowSet::displayTransfersWindow() {
    if (!transfers_) {
        // A top-level window that deletes itself once it is closed.
        transfers_ = new TransfersWindow(state_, context_);
        transfers_->installEventFilter(closeGuard_.get());
        transfers_->Form_Load();
    }
    transfers_->Display();
}

std::vector<const QWidget*> ClassicWindowSet::windowsOnScreen() const {
    std::vector<const QWidget*> shown;
    if (users_ && users_->isVisible()) {
        shown.push_back(users_.get());
    }
    if (transfers_ && transfers_->isVisible()) {
        shown.push_back(transfers_.data());
    }
    return shown;
}

void ClassicWindowSet::setCloseCheck(std::function<bool(const QWidget&)> check) {
    closeGuard_->check = std::move(check);
}

void ClassicWindowSet::setConnectionLabel(const std::string& text) {
    frmUsers().lblConn->setText(QString::fromStdString(text));
}

void ClassicWindowSet::usersShowUsers() {
    frmUsers().showUsers();
}

void ClassicWindowSet::showSharedFiles(const qel::typNodeInfo& node) {
    openFilesWindow(state_, context_, core_, node);
}

void ClassicWindowSet::unloadAll() {
    unloadFilesWindows(state_);
    if (transfers_) {
        transfers_->close();
    }
    if (users_) {
        users_->timLoad->stop();
        users_->hide();
    }
}

}  // namespace tornel::ui
