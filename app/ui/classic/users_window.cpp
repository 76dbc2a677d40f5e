#include "ui/classic/users_window.h"

#include "core/log/guarded.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "platform/ascii.h"
#include "platform/event_loop.h"
#include "ui/classic/classic_look.h"
#include "ui/controls/make_child.h"
#include "ui/controls/picture_box.h"
#include "ui/skin/classic_skin.h"
#include "ui/skin/skin.h"
#include "ui/views/core_actions.h"

#include <QFont>

#include <algorithm>

namespace tornel::ui {

namespace {

constexpr int kLoadIntervalMs = 100;
constexpr Twips kMargin = 165;
constexpr Twips kHeadingTop = KeyedToolBar::kHeight;
constexpr Twips kHeadingHeight = 630;
constexpr Twips kListTop = kHeadingTop + kHeadingHeight + 120;
constexpr Twips kBottomRowFromBottom = 450;  // from the inner bottom to the bottom line's top
constexpr Twips kRowHeight = 255;
constexpr Twips kBarWidth = 1800;
constexpr Twips kLinkWidth = 1500;

const QString kFiles = QStringLiteral("files");
const QString kChat = QStringLiteral("chat");
const QString kSend = QStringLiteral("send");

// The node the library knows under `nodeID` (from its tables when it can),
// or nothing.
std::optional<qel::typNodeInfo> knownNode(AppState& state, const std::string& nodeID) {
    if (nodeID.empty()) {
        return std::nullopt;
    }
    const std::vector<qel::typNodeInfo> found = session(state).getNodeInfo(nodeID, true);
    if (found.empty() || found.front().ID.empty()) {
        return std::nullopt;
    }
    return found.front();
}

}  // namespace

UsersWindow::UsersWindow(AppState& state, CoreActions& core)
    : Form(QStringLiteral("frmUsers")),
      tbMain(makeChild<KeyedToolBar>(
          this, QStringLiteral("tbMain"),
          std::initializer_list<KeyedToolBar::Button>{{kFiles, QStringLiteral("Shared Files")},
                                                      {kChat, QStringLiteral("Chat")},
                                                      {{}, {}},
                                                      {kSend, QStringLiteral("Send File")}})),
      heading(this, kHeadingTop, kHeadingHeight, QStringLiteral("Label1"),
              QStringLiteral("Online Users"), QStringLiteral("Label2"),
              QStringLiteral("Choose a user from below:")),
      Label1(heading.title),
      Label2(heading.subtitle),
      lblConn(plainLabel(this, QStringLiteral("lblConn"), QStringLiteral("Connecting..."))),
      lblRefresh(plainLabel(this, QStringLiteral("lblRefresh"), QStringLiteral("Search Again"))),
      lvUsers(makeChild<FileList>(this, QStringLiteral("lvUsers"))),
      pbLoad(makeChild<TwipsControl<QProgressBar>>(this, QStringLiteral("pbLoad"))),
      timLoad(makeChild<QTimer>(this)),
      mnuPopup(makeChild<QMenu>(this)),
      mnuFiles(mnuPopup->addAction(QStringLiteral("Shared &Files"))),
      mnuChat(mnuPopup->addAction(QStringLiteral("&Chat"))),
      mnuSendFile((mnuPopup->addSeparator(), mnuPopup->addAction(QStringLiteral("&Send File")))),
      state_(state),
      core_(core) {
    setWindowTitle(QStringLiteral("Online Users"));
    buildControls();
    connectControls();
    setMinimumSize(twipsToPixels(kMinimumWidth), twipsToPixels(kMinimumHeight));
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    Form_Resize();
}

UsersWindow::~UsersWindow() = default;

void UsersWindow::buildControls() {
    const Skin& skin = Skin::instance();
    imgUsers.add(skin.picture(pictures::kUser));
    imgUsers.add(skin.picture(pictures::kNoUsers));
    imgUsers.add(skin.picture(pictures::kSearching));
    imgUsers.add(skin.picture(pictures::kUserSharing));

    tbMain->Move(0, 0);
    heading.Image1->setPicture(skin.picture(pictures::kClassicUsersHeading));

    lvUsers->setSelectionMode(QAbstractItemView::SingleSelection);
    lvUsers->Move(kMargin, kListTop);

    lblConn->setLeft(kMargin);
    lblConn->setHeight(kRowHeight);
    styleLink(*lblRefresh);
    lblRefresh->setWidth(kLinkWidth);
    lblRefresh->setHeight(kRowHeight);
    lblRefresh->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblRefresh->hide();

    pbLoad->setTextVisible(false);
    pbLoad->setWidth(kBarWidth);
    pbLoad->setHeight(kRowHeight - 30);
    pbLoad->hide();

    timLoad->setObjectName(QStringLiteral("timLoad"));
    timLoad->setInterval(kLoadIntervalMs);

    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuFiles->setObjectName(QStringLiteral("mnuFiles"));
    mnuChat->setObjectName(QStringLiteral("mnuChat"));
    mnuSendFile->setObjectName(QStringLiteral("mnuSendFile"));
    mnuPopup->setDefaultAction(mnuFiles);

    // Nothing to act on before the first search.
    lvUsers->hide();
    tbMain->hide();
    setUserButtons(false);
}

void UsersWindow::Form_Resize() {
    skipFailure([this] {
        const Twips width = ScaleWidth();
        const Twips bottomRow = ScaleHeight() - kBottomRowFromBottom;
        tbMain->setWidth(width);
        heading.fit(width);
        lvUsers->setWidth(std::max<Twips>(0, width - 2 * kMargin));
        lvUsers->setHeight(std::max<Twips>(0, bottomRow - 120 - kListTop));
        lblRefresh->Move(width - kMargin - kLinkWidth, bottomRow);
        const Twips barWidth = std::min(kBarWidth, width / 2 - kMargin);
        pbLoad->setWidth(barWidth);
        pbLoad->Move(width - kMargin - barWidth, bottomRow + 15);
        lblConn->setTop(bottomRow);
        lblConn->setWidth(std::max<Twips>(0, pbLoad->Left() - kMargin - 60));
    });
}

void UsersWindow::connectControls() {
    connect(lblRefresh, &Label::click, this, &UsersWindow::lblRefresh_Click);
    connect(lvUsers, &FileList::mouseUp, this, &UsersWindow::lvUsers_MouseUp);
    connect(lvUsers, &QListWidget::itemDoubleClicked, this, &UsersWindow::lvUsers_DblClick);
    connect(mnuFiles, &QAction::triggered, this, &UsersWindow::mnuFiles_Click);
    connect(mnuChat, &QAction::triggered, this, &UsersWindow::mnuChat_Click);
    connect(mnuSendFile, &QAction::triggered, this, &UsersWindow::mnuSendFile_Click);
    connect(tbMain, &KeyedToolBar::buttonClick, this, &UsersWindow::tbMain_ButtonClick);
    connect(timLoad, &QTimer::timeout, this, &UsersWindow::timLoad_Timer);
}

void UsersWindow::setUserButtons(bool enabled) {
    for (const QString& key : {kFiles, kChat, kSend}) {
        tbMain->setButtonEnabled(key, enabled);
    }
}

void UsersWindow::showUsers() {
    guarded(state_.log, "showUsers", [&] {
        if (state_.connecting || !state_.started) {
            lblConn->setText(QStringLiteral("Connecting..."));
            state_.usersRefreshPending = true;
            lvUsers->hide();
            tbMain->hide();
            return;
        }
        tbMain->show();
        setUserButtons(false);
        lblConn->setText(QStringLiteral("Connected"));
        state_.usersRefreshPending = false;
        lvUsers->show();
        lblRefresh->hide();

        lvUsers->clear();
        lvUsers->addEntry("Searching...", imgUsers.picture(imgSearching));
        lvUsers->setEnabled(false);

        pbLoad->setRange(0, static_cast<int>(state_.Timeout - 2 * kLoadIntervalMs));
        pbLoad->setValue(kLoadIntervalMs);
        pbLoad->show();
        timLoad->start();

        const uint64_t generation = ++searchGeneration_;
        const std::vector<qel::typNodeInfo> nodes = session(state_).getNodeInfo("BROADCAST", false);
        if (generation != searchGeneration_) {
            return;  // a newer search began during the wait and lists its own answer
        }
        listUsers(nodes);
        lblRefresh->show();
        pbLoad->hide();
    });
}

void UsersWindow::listUsers(const std::vector<qel::typNodeInfo>& nodes) {
    lvUsers->clear();
    if (nodes.empty() || nodes.front().ID.empty()) {
        lvUsers->addEntry("No users online", imgUsers.picture(imgNoUsers));
        return;
    }
    lvUsers->setEnabled(true);
    for (const qel::typNodeInfo& node : nodes) {
        if (platform::asciiEqualsIgnoreCase(node.Descriptor, "TORNEL_NODE") || state_.ShowOther) {
            lvUsers->addEntry(
                node.Name, imgUsers.picture(node.sharingFiles ? imgUserSharing : imgUserNotSharing),
                QString::fromStdString(node.ID));
        }
    }
    setUserButtons(true);
}

void UsersWindow::timLoad_Timer() {
    const int64_t now = platform::tickCount();
    if (loadStart_ == 0) {
        loadStart_ = now - kLoadIntervalMs;
    }
    if (now - loadStart_ > state_.Timeout) {
        timLoad->stop();
        loadStart_ = 0;
        return;
    }
    // A value beyond the bar's maximum is not taken: the bar stays full.
    pbLoad->setValue(pbLoad->value() + kLoadIntervalMs);
}

void UsersWindow::lvUsers_MouseUp(int button, double x, double y) {
    mouseX_ = x;
    mouseY_ = y;
    if (lvUsers->count() > 0 && button == PictureBox::RightButton && lvUsers->isEnabled() &&
        lvUsers->isOverSelected(x, y)) {
        mnuPopup->popup(
            lvUsers->viewport()->mapToGlobal(QPoint(twipsToPixels(x), twipsToPixels(y))));
    }
}

void UsersWindow::tbMain_ButtonClick(const QString& key) {
    if (key == kChat) {
        chat();
    } else if (key == kFiles) {
        openFiles();
    } else if (key == kSend) {
        sendFile();
    }
}

std::optional<qel::typNodeInfo> UsersWindow::selectedUser() {
    const QListWidgetItem* selected = lvUsers->currentItem();
    if (!selected) {
        return std::nullopt;
    }
    return knownNode(state_, FileList::tag(selected).toStdString());
}

void UsersWindow::openFiles() {
    guarded(state_.log, "mnuFiles_Click", [&] {
        if (lvUsers->count() == 0 || !lvUsers->isOverSelected(mouseX_, mouseY_)) {
            return;
        }
        if (const std::optional<qel::typNodeInfo> node = selectedUser()) {
            state_.ui.shell->showSharedFiles(*node);
        }
    });
}

void UsersWindow::chat() {
    guarded(state_.log, "mnuChat_Click", [&] {
        if (const std::optional<qel::typNodeInfo> node = selectedUser()) {
            state_.ui.shell->newConv(*node);
        }
    });
}

void UsersWindow::sendFile() {
    guarded(state_.log, "mnuSendFile_Click", [&] {
        if (const std::optional<qel::typNodeInfo> node = selectedUser()) {
            core_.pushFile(*node);
        }
    });
}

}  // namespace tornel::ui
