#include "core/network/node_bring_up.h"
#include "core/state/app_state.h"
#include "core/util/utilities.h"
#include "platform/socket_control.h"
#include "screens/screens.h"
#include "support/file_contents.h"
#include "support/free_port.h"
#include "support/peer_node.h"
#include "support/temp_folder.h"
#include "support/wait.h"
#include "ui/ui_shell.h"

#include <QApplication>

#include <filesystem>

namespace tornel::screens {

namespace {

using ui::KeyedTree;

void settle() {
    QApplication::processEvents();
}

// A shared folder with sub-folders and files of several types.
void makeShare(const test::TempFolder& folder) {
    for (const char* dir :
         {"Music/Albums", "Music/Live", "Music/Playlists", "Photos", "Documents"}) {
        std::filesystem::create_directories(folder.file(dir));
    }
    for (const char* name :
         {"Music/track 01.mp3", "Music/track 02.mp3", "Music/cover.png", "Music/lyrics.txt",
          "Music/README", "Music/concert.mkv", "Music/notes.pdf", "Music/backup.zip",
          "Music/player.cpp", "Music/Thumbs.db", "Photos/beach.jpg", "Documents/plan.odt"}) {
        test::writeFile(folder.file(name), std::string(2048, 'x'));
    }
}

KeyedTree::Node* childNamed(KeyedTree::Node* parent, const std::string& text) {
    for (int k = 0; parent && k < parent->childCount(); ++k) {
        if (KeyedTree::text(parent->child(k)) == text) {
            return parent->child(k);
        }
    }
    return nullptr;
}

void shot(ScreenSet& set, const QString& name, ui::ExploreView& view) {
    settle();
    set.shots.window(name, view);
}

}  // namespace

void exploreScreens(ScreenSet& set) {
    AppState& state = set.state;
    ui::ExploreView& view = set.shell.views().frmMain();
    set.shell.views().Display(view);

    // Before the node is up: the search waits.
    state.started = false;
    view.showUsers();
    shot(set, QStringLiteral("explore-connecting"), view);

    // The program's node alone on loopback: searching, then nobody answers.
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
    state.started = true;
    view.showUsers();
    shot(set, QStringLiteral("explore-searching"), view);
    test::waitUntil([&] { return state.searchTimedOut; });
    shot(set, QStringLiteral("explore-no-users"), view);

    // Two users answer: one shares files, one does not.
    test::PeerNode sharer("SHARER", "Ann Example", shared.path());
    test::PeerNode plain("PLAIN", "Bob Sample", "");
    state.qelSession->Connect(sharer.address());
    state.qelSession->Connect(plain.address());
    view.showUsers();
    test::waitUntil([&] {
        return view.tvLeft->node(QStringLiteral("user_SHARER")) &&
               view.tvLeft->node(QStringLiteral("user_PLAIN"));
    });
    shot(set, QStringLiteral("explore-users"), view);

    // A folder opened: its folders first, then its files with their icons.
    KeyedTree::Node* user = view.tvLeft->node(QStringLiteral("user_SHARER"));
    user->setExpanded(true);
    KeyedTree::Node* music = childNamed(user, "Music");
    if (music) {
        music->setExpanded(true);
        view.tvLeft->setCurrentItem(music);
        view.tvLeft_NodeClick(music);
    }
    shot(set, QStringLiteral("explore-folder"), view);

    // A file double-clicked: its download starts.
    for (int row = 0; row < view.lstFiles->count(); ++row) {
        QListWidgetItem* entry = view.lstFiles->item(row);
        if (ui::FileList::text(entry) == "lyrics.txt") {
            const QPoint at = view.lstFiles->visualItemRect(entry).center();
            view.lstFiles->setCurrentItem(entry);
            view.lstFiles_ItemClick();
            view.lstFiles_MouseUp(1, ui::pixelsToTwips(at.x()), ui::pixelsToTwips(at.y()));
            view.lstFiles_DblClick();
        }
    }
    shot(set, QStringLiteral("explore-download-started"), view);

    view.toggleMaximise();
    shot(set, QStringLiteral("explore-folder-maximised"), view);
    view.toggleMaximise();
    settle();

    state.downloads.clear();
    state.qelSession->shutDown();
}

}  // namespace tornel::screens
