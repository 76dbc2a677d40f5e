#include "ui/settings/settings_window.h"

#include "core/log/guarded.h"
#include "core/state/app_state.h"
#include "ui/controls/make_child.h"
#include "ui/controls/named_menu_items.h"
#include "ui/controls/picture_box.h"
#include "ui/settings/settings_dialog.h"
#include "ui/skinned/window_context.h"
#include "ui/skinned/window_placement.h"
#include "ui/views/core_actions.h"
#include "ui/views/view_switcher.h"

#include <QCloseEvent>
#include <QCursor>
#include <QVBoxLayout>

#include <utility>

namespace tornel::ui {

namespace {

constexpr int kRefreshIntervalMs = 60000;

QMenu* submenu(QMenu* menu, const QString& name, const QString& caption) {
    QMenu* child = menu->addMenu(caption);
    child->setObjectName(name);
    return child;
}

// A user's name as menu text: "&" stays an ampersand, never a mnemonic.
QString menuText(const std::string& name) {
    return QString::fromStdString(name).replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

SettingsWindow::SettingsWindow(AppState& state, ViewSwitcher& views, CoreActions& core)
    : Form(QStringLiteral("frmSettings")),
      systemTray(std::make_shared<TrayIconControl>(*this)),
      timRefresh(makeChild<QTimer>(this)),
      dialog(makeChild<SettingsDialog>(this, state, views)),
      mnuPopup(makeChild<QMenu>(this)),
      mnuChat(submenu(mnuPopup, QStringLiteral("mnuChat"), QStringLiteral("&Chat"))),
      mnuChatSep(namedSeparator(mnuPopup, QStringLiteral("mnuChatSep"))),
      mnuExplore(namedMenuItem(mnuPopup, QStringLiteral("mnuExplore"), QStringLiteral("&Explore"))),
      mnuTransfers(
          namedMenuItem(mnuPopup, QStringLiteral("mnuTransfers"), QStringLiteral("&Transfers"))),
      sep0(namedSeparator(mnuPopup, QStringLiteral("sep0"))),
      mnuSharedFiles(namedMenuItem(mnuPopup, QStringLiteral("mnuSharedFiles"),
                                   QStringLiteral("Shared &Files"))),
      sep3(namedSeparator(mnuPopup, QStringLiteral("sep3"))),
      mnuSettings(
          namedMenuItem(mnuPopup, QStringLiteral("mnuSettings"), QStringLiteral("&Settings"))),
      mnuExit(namedMenuItem(mnuPopup, QStringLiteral("mnuExit"), QStringLiteral("E&xit Tornel"))),
      state_(state),
      views_(views),
      core_(core) {
    setWindowTitle(QStringLiteral("Settings"));
    auto* content = makeChild<QVBoxLayout>(this);
    content->setContentsMargins(0, 0, 0, 0);
    content->addWidget(dialog);
    dialog->setObjectName(QStringLiteral("dialog"));

    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuPopup->setDefaultAction(mnuExplore);
    mnuChatItem.push_back(namedMenuItem(mnuChat, QStringLiteral("mnuChatItem(0)"),
                                        QStringLiteral("(No users online)")));
    mnuChatItem.front()->setEnabled(false);
    mnuExit->setEnabled(false);

    timRefresh->setObjectName(QStringLiteral("timRefresh"));
    timRefresh->setInterval(kRefreshIntervalMs);
    connect(timRefresh, &QTimer::timeout, this, &SettingsWindow::timRefresh_Timer);

    connect(mnuExplore, &QAction::triggered, this, [this] { views_.showExplore(); });
    connect(mnuTransfers, &QAction::triggered, this, [this] { views_.showTransfers(); });
    connect(mnuSharedFiles, &QAction::triggered, this, [this] { views_.showSharing(); });
    connect(mnuSettings, &QAction::triggered, this, &SettingsWindow::mnuSettings_Click);
    connect(mnuExit, &QAction::triggered, this, [this] {
        skipFailure([this] {
            views_.offerToSaveSharingEdits();
            core_.shutDown(true);
        });
    });
    // Desktops that open the menu themselves still get fresh chat items.
    connect(mnuPopup, &QMenu::aboutToShow, this, &SettingsWindow::rebuildChatItems);
    systemTray->setContextMenu(mnuPopup);
}

SettingsWindow::~SettingsWindow() {
    systemTray->removeIcon();
}

void SettingsWindow::systemTray_MouseDown() {
    systemTray->setIcon(TrayPicture::Pressed);
}

void SettingsWindow::refreshToolTip() {
    systemTray->setToolTip(state_.started ? "Tornel" : "Loading");
}

void SettingsWindow::systemTray_MouseUp(int Button) {
    guarded(state_.log, "systemTray_MouseUp", [&] {
        systemTray->setIcon(TrayPicture::Normal);
        mnuExit->setEnabled(state_.started);
        refreshToolTip();
        if (state_.closing) {
            return;
        }
        if (Button == PictureBox::LeftButton) {
            views_.Display(views_.currentView() ? *views_.currentView() : views_.frmMain());
        } else if (Button == PictureBox::RightButton) {
            rebuildChatItems();
            mnuPopup->setDefaultAction(mnuExplore);
            if (!systemTray->showsMenuItself()) {
                mnuPopup->popup(QCursor::pos());
            }
        }
    });
}

void SettingsWindow::rebuildChatItems() {
    mnuExit->setEnabled(state_.started);
    for (size_t x = mnuChatItem.size(); x > 1; --x) {
        mnuChat->removeAction(mnuChatItem.back());
        mnuChatItem.back()->deleteLater();
        mnuChatItem.pop_back();
    }
    QAction* noUsers = mnuChatItem.front();
    noUsers->setVisible(true);
    const std::vector<std::shared_ptr<cUser>> users = state_.users.snapshot();
    if (users.empty()) {
        noUsers->setText(QStringLiteral("(No users online)"));
        noUsers->setEnabled(false);
        return;
    }
    for (const std::shared_ptr<cUser>& user : users) {
        const int index = static_cast<int>(mnuChatItem.size());
        QAction* chatItem = namedMenuItem(mnuChat, QStringLiteral("mnuChatItem(%1)").arg(index),
                                          menuText(user->Name));
        chatItem->setData(QString::fromStdString(user->nodeID));
        connect(chatItem, &QAction::triggered, this, [this, index] { mnuChatItem_Click(index); });
        mnuChatItem.push_back(chatItem);
    }
    noUsers->setVisible(false);
}

void SettingsWindow::mnuChatItem_Click(int Index) {
    guarded(state_.log, "mnuChatItem_Click", [&] {
        if (Index < 0 || Index >= int(mnuChatItem.size())) {
            return;
        }
        const std::string id = mnuChatItem[size_t(Index)]->data().toString().toStdString();
        if (!id.empty()) {
            core_.openChat(id);
        }
    });
}

void SettingsWindow::timRefresh_Timer() {
    skipFailure([this] {
        if (!views_.exploreVisible()) {
            core_.exploreCheck(false);
        }
    });
}

void SettingsWindow::mnuSettings_Click() {
    guarded(state_.log, "mnuSettings_Click", [&] {
        dialog->fill();
        const bool firstShowing = !shownBefore_;
        shownBefore_ = true;
        show();
        // On the available area of the screen, whatever its size: centred the
        // first time, pulled back inside when a smaller screen took its place.
        if (firstShowing) {
            centreOnScreen(*this, views_.context().screen);
        } else {
            keepOnScreen(*this, views_.context().screen);
        }
        raise();
        activateWindow();
    });
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    // The window hosts the tray icon and the timer for the whole run.
    event->ignore();
    dialog->cmdCancel_Click();
}

void SettingsWindow::startRefreshTimer() {
    timRefresh->start();
    refreshToolTip();
    mnuExit->setEnabled(state_.started);
    if (!systemTray->available()) {
        views_.exitWhenLastWindowCloses();
        offerMenuInTitleBars();
        views_.Display(views_.currentView() ? *views_.currentView() : views_.frmMain());
    }
}

void SettingsWindow::offerMenuInTitleBars() {
    if (std::exchange(menuInTitleBars_, true)) {
        return;
    }
    for (ViewWindow* view : views_.allViews()) {
        view->mnuTitlebar->addSeparator();
        view->mnuTitlebar->addActions(mnuPopup->actions());
        connect(view->mnuTitlebar, &QMenu::aboutToShow, this, &SettingsWindow::rebuildChatItems);
    }
}

}  // namespace tornel::ui
