#include "core/network/node_bring_up.h"
#include "core/state/app_state.h"
#include "core/state/download.h"
#include "core/transfers/transfer_lists.h"
#include "core/util/utilities.h"
#include "platform/socket_control.h"
#include "qellib/x_file.h"
#include "screens/screens.h"
#include "support/file_contents.h"
#include "support/free_port.h"
#include "support/peer_node.h"
#include "support/temp_folder.h"
#include "support/wait.h"
#include "ui/classic/classic_chat_window.h"
#include "ui/classic/remote_files_window.h"
#include "ui/classic/transfers_window.h"
#include "ui/classic/users_window.h"
#include "ui/settings/settings_dialog.h"
#include "ui/settings/settings_window.h"
#include "ui/ui_shell.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <filesystem>
#include <memory>

namespace tornel::screens {

namespace {

void settle() {
    QApplication::processEvents();
}

void shot(ScreenSet& set, const QString& name, QWidget& window) {
    settle();
    set.shots.window(name, window);
}

void makeShare(const test::TempFolder& folder) {
    for (const char* dir : {"Music/Live", "Photos", "Documents"}) {
        std::filesystem::create_directories(folder.file(dir));
    }
    for (const char* name :
         {"Music/track 01.mp3", "Music/track 02.mp3", "Music/cover.png", "Music/lyrics.txt",
          "Music/concert.mkv", "Photos/beach.jpg", "Documents/plan.odt", "readme.txt"}) {
        test::writeFile(folder.file(name), std::string(2048, 'x'));
    }
}

// The entry of `list` showing `text`, made current with a mouse-up over it.
void pick(ui::RemoteFilesWindow& frm, const std::string& text) {
    for (int row = 0; row < frm.lstFiles->count(); ++row) {
        QListWidgetItem* entry = frm.lstFiles->item(row);
        if (ui::FileList::text(entry) == text) {
            frm.lstFiles->setCurrentItem(entry);
            const QPoint at = frm.lstFiles->visualItemRect(entry).center();
            frm.lstFiles_MouseUp(1, ui::pixelsToTwips(at.x()), ui::pixelsToTwips(at.y()));
        }
    }
}

void usersScreens(ScreenSet& set, ui::UsersWindow& frm) {
    AppState& state = set.state;
    state.started = false;
    set.shell.classicWindows().showUsersWindow();
    shot(set, QStringLiteral("users-connecting"), frm);

    // A search of three seconds, grabbed when its bar is under way.
    state.started = true;
    const int64_t timeout = state.Timeout;
    state.Timeout = 3000;
    advNetwork(state);
    QTimer watch;
    bool grabbed = false;
    QObject::connect(&watch, &QTimer::timeout, &frm, [&] {
        if (!grabbed && frm.pbLoad->isVisible() && frm.pbLoad->value() >= 900) {
            grabbed = true;
            shot(set, QStringLiteral("users-searching"), frm);
        }
    });
    watch.start(20);
    frm.showUsers();
    watch.stop();
    state.Timeout = timeout;
    advNetwork(state);
    shot(set, QStringLiteral("users-none"), frm);
}

// The users window at its least size and at a large one, with a user chosen.
void usersSized(ScreenSet& set, ui::UsersWindow& frm) {
    smallestAndLarge(frm, QStringLiteral("users"), {640, 560},
                     [&](const QString& name) { shot(set, name, frm); });
}

void usersListed(ScreenSet& set, ui::UsersWindow& frm) {
    frm.showUsers();
    shot(set, QStringLiteral("users-listed"), frm);
    if (frm.lvUsers->count() > 0) {
        QListWidgetItem* first = frm.lvUsers->item(0);
        frm.lvUsers->setCurrentItem(first);
        const QPoint at = frm.lvUsers->visualItemRect(first).center();
        frm.lvUsers_MouseUp(2, ui::pixelsToTwips(at.x()), ui::pixelsToTwips(at.y()));
        settle();
        set.shots.windowWithMenu(QStringLiteral("users-popup"), frm, *frm.mnuPopup);
        frm.mnuPopup->close();
        shot(set, QStringLiteral("users-selected"), frm);
        usersSized(set, frm);
    }
}

void filesScreens(ScreenSet& set, const qel::typNodeInfo& sharer) {
    AppState& state = set.state;
    set.shell.showSharedFiles(sharer);
    const WindowRef<FilesWindow>* listed = state.filesWindows.find(sharer.ID);
    auto* frm = listed ? dynamic_cast<ui::RemoteFilesWindow*>(listed->get()) : nullptr;
    if (!frm) {
        return;
    }
    shot(set, QStringLiteral("files-top"), *frm);
    pick(*frm, "Music");
    frm->lstFiles_DblClick();
    pick(*frm, "lyrics.txt");
    shot(set, QStringLiteral("files-folder-file-selected"), *frm);
    QTimer::singleShot(0, frm, [&set, frm] { shot(set, QStringLiteral("files-loading"), *frm); });
    frm->tbMain_ButtonClick(QStringLiteral("refresh"));
    frm->setWidth(3000);
    frm->setHeight(3000);
    shot(set, QStringLiteral("files-smallest"), *frm);
    frm->close();
}

void addDownload(AppState& state, const std::string& name, int32_t status, int64_t progress,
                 int64_t size) {
    auto dl = std::make_shared<cDownload>(state);
    dl->Key = "KEY-" + name;
    dl->remotePath = "\\Music\\" + name;
    dl->localPath = state.DownloadPath + "/" + name;
    dl->nodeID = "SHARER";
    dl->Status = status;
    dl->lngProgress = progress;
    dl->lngSize = size;
    state.downloads.add(dl, dl->Key);
}

void transfersScreens(ScreenSet& set) {
    AppState& state = set.state;
    addDownload(state, "concert.mkv", DL_Downloading, 312000000, 734003200);
    addDownload(state, "track 01.mp3", DL_Pending, -1, 0);
    addDownload(state, "cover.png", DL_Complete, 2047, 2048);
    addDownload(state, "old-mix.flac", DL_Cancelled, 5242879, 15728640);
    state.ShowUploads = true;
    set.shell.classicWindows().displayTransfersWindow();
    ui::TransfersWindow* frm = set.shell.classicWindows().frmTransfers();
    frm->timUpdate->stop();
    frm->timUpdate_Timer();
    // Uploads come from the node; here they are shown as the library lists them.
    const test::TempFolder files;
    const auto upload = [&](const std::string& reqID, const std::string& name,
                            qel::enmFileStatus status, int64_t progress, int64_t size) {
        auto record = std::make_shared<qel::cXFile>();
        record->fullPath = files.file(name);
        test::writeFile(record->fullPath, std::string(size_t(size), 'x'));
        record->reqID = reqID;
        record->Resource = "\\Photos\\" + name;
        record->nodeID = "PLAIN";
        record->Status = status;
        record->lngProgress = progress;
        record->lngSize = size;
        return record;
    };
    TransferLists(state).showUploads(
        *frm->lvUp, {nullptr, upload("R1", "beach.jpg", qel::FS_Complete, 4095, 4096),
                     upload("R2", "album.zip", qel::FS_Transferring, 1048575, 5242880)});
    frm->setButtons();
    shot(set, QStringLiteral("transfers-window"), *frm);
    // The focus makes a row current without selecting it: nothing to act on.
    frm->activateWindow();
    frm->lvDown->setFocus();
    frm->lvDown->selectionModel()->setCurrentIndex(frm->lvDown->model()->index(0, 0),
                                                   QItemSelectionModel::NoUpdate);
    frm->setButtons();
    shot(set, QStringLiteral("transfers-window-focused-nothing-selected"), *frm);
    frm->lvDown->setCurrentItem(frm->lvDown->row("KEY-cover.png"));
    frm->setButtons();
    shot(set, QStringLiteral("transfers-window-finished-selected"), *frm);
    frm->lvDown->setCurrentItem(frm->lvDown->row("KEY-concert.mkv"));
    frm->setButtons();
    shot(set, QStringLiteral("transfers-window-running-selected"), *frm);
    frm->toggleUploads();
    shot(set, QStringLiteral("transfers-window-uploads-hidden"), *frm);
    frm->toggleUploads();
    frm->close();
    state.downloads.clear();
}

// Grants for a while carry no name: the settings list the name the library
// knows for the node, else the node's ID.
void namelessGrantScreen(ScreenSet& set) {
    AppState& state = set.state;
    state.allowedIDs.clear();
    const auto allow = [&](const std::string& id, const std::string& name) {
        auto grant = std::make_shared<cAllowedID>();
        grant->id = id;
        grant->Name = name;
        grant->NeverExpires = !name.empty();
        state.allowedIDs.add(std::move(grant));
    };
    allow("5F0C", "Tom");
    allow("SHARER", "");
    allow("77A1C0DE-0000-4000-8000-00000000F00D", "");
    ui::SettingsWindow& window = set.shell.settingsWindow();
    window.mnuSettings_Click();
    window.dialog->tabSettings->setCurrentIndex(0);
    shot(set, QStringLiteral("settings-general-nameless-grant"), window);
    window.dialog->cmdCancel_Click();
    state.allowedIDs.clear();
}

void classicChatScreens(ScreenSet& set) {
    AppState& state = set.state;
    qel::typNodeInfo node;
    node.ID = "SCREEN-PEER";
    node.Name = "Margaret";
    node.sharingFiles = true;
    ui::openClassicChatWindow(state, node, {});
    QPointer<ui::ClassicChatWindow> frm =
        dynamic_cast<ui::ClassicChatWindow*>(state.chatWindows.item("SCREEN-PEER").get());
    frm->timPing->stop();
    shot(set, QStringLiteral("chat-old-new"), *frm);
    frm->addMessage("Margaret: Hi! Are you around? I have the photos from Saturday.", true);
    frm->addMessage(state.Name + ": Yes, send them over whenever you like.", false);
    frm->addMessage(
        "Margaret: Here is a rather long line to see how the conversation wraps when "
        "somebody writes a whole paragraph without pressing Enter even once.",
        true);
    frm->txtIn->setText(QStringLiteral("Great, thanks"));
    shot(set, QStringLiteral("chat-old-conversation"), *frm);
    frm->setStatusText("Margaret is typing a message");
    frm->setPingWarningVisible(true);
    frm->addMessage(
        "** Tornel is experiencing connection problems with Margaret. Some messages "
        "may not be received.",
        false);
    shot(set, QStringLiteral("chat-old-typing-connection-problems"), *frm);
    frm->close();

    node.ID = "SCREEN-PLAIN";
    node.Name = "Bartholomew Fitzgerald-Montgomery of the Western Isles";
    node.sharingFiles = false;
    ui::openClassicChatWindow(state, node, {});
    QPointer<ui::ClassicChatWindow> other =
        dynamic_cast<ui::ClassicChatWindow*>(state.chatWindows.item("SCREEN-PLAIN").get());
    other->timPing->stop();
    shot(set, QStringLiteral("chat-old-not-sharing"), *other);
    other->setStatusText(node.Name + " is typing a message");
    shot(set, QStringLiteral("chat-old-long-name-typing"), *other);
    other->close();
    settle();
}

}  // namespace

void classicScreens(ScreenSet& set) {
    AppState& state = set.state;
    const bool newUI = state.NewUI;
    state.NewUI = false;
    ui::UsersWindow& users = set.shell.classicWindows().frmUsers();

    platform::setBindAddress("127.0.0.1");
    test::TempFolder shared;
    makeShare(shared);
    state.NodeGUID = GUID();
    state.Name = "Me";
    state.Timeout = 300;
    state.Port = test::freePort();
    state.DownloadPath = state.programFile("Downloads");
    std::filesystem::create_directories(state.DownloadPath);
    initNetwork(state);
    usersScreens(set, users);

    test::PeerNode sharer("SHARER", "Ann Example", shared.path());
    test::PeerNode plain("PLAIN", "Bob Sample", "");
    state.qelSession->Connect(sharer.address());
    state.qelSession->Connect(plain.address());
    usersListed(set, users);
    const std::vector<qel::typNodeInfo> found = state.qelSession->getNodeInfo("SHARER", true);
    if (!found.empty() && !found.front().ID.empty()) {
        filesScreens(set, found.front());
    }
    namelessGrantScreen(set);
    transfersScreens(set);
    classicChatScreens(set);
    users.hide();
    settle();
    state.downloads.clear();
    state.qelSession->shutDown();
    state.NewUI = newUI;
}

}  // namespace tornel::screens
