#include "core/state/app_state.h"
#include "core/state/download.h"
#include "qellib/types.h"
#include "screens/scoped_home.h"
#include "screens/screens.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"
#include "ui/classic/classic_chat_window.h"
#include "ui/classic/classic_window_set.h"
#include "ui/classic/transfers_window.h"
#include "ui/ui_shell.h"
#include "ui/views/explore_view.h"
#include "ui/views/sharing_view.h"

#include <QApplication>
#include <QPointer>

#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace tornel::screens {

namespace {

// Names in several scripts, long enough to be cut in a narrow window.
const char* const kLongNames[] = {
    "Ångström Åsa Öberg-Müller — Sommerferien in den Bergen",
    "Αλέξανδρος Παπαδόπουλος της Θεσσαλονίκης",
    "Пётр Ильич Чайковский — Лебединое озеро",
    "東京の家族写真と夏休みのビデオ",
};

void settle() {
    QApplication::processEvents();
    QApplication::processEvents();
}

void shot(ScreenSet& set, const QString& name, QWidget& window) {
    settle();
    set.shots.window(name, window);
}

void addDownload(AppState& state, const std::string& name, int32_t status,
                 const std::string& extended, int64_t progress, int64_t size) {
    auto dl = std::make_shared<cDownload>(state);
    dl->Key = "LIST-" + name;
    dl->remotePath = "\\Shared\\" + name;
    dl->localPath = state.DownloadPath + "/" + name;
    dl->nodeID = "B0B0";
    dl->Status = status;
    dl->extendedStatus = extended;
    dl->lngProgress = progress;
    dl->lngSize = size;
    state.downloads.add(dl, dl->Key);
}

// The transfers window of the multiple-windows mode with long names, at
// its least size and a large one, with and without its uploads list.
void classicTransfersScreens(ScreenSet& set) {
    AppState& state = set.state;
    state.users.add(std::make_shared<cUser>(cUser{"B0B0", kLongNames[1]}), "B0B0");
    addDownload(state, std::string(kLongNames[0]) + ".zip", DL_Downloading, "", 312000000,
                734003200);
    addDownload(state, std::string(kLongNames[3]) + ".mkv", DL_Downloading, "Asking Permission", -1,
                0);
    addDownload(state, "short.txt", DL_Complete, "", 2047, 2048);
    addDownload(state, std::string(kLongNames[2]) + ".flac", DL_Cancelled, "Cancelled by sender",
                5242879, 15728640);
    state.ShowUploads = true;
    set.shell.classicWindows().displayTransfersWindow();
    QPointer<ui::TransfersWindow> frm = set.shell.classicWindows().frmTransfers();
    frm->timUpdate->stop();
    frm->timUpdate_Timer();
    frm->lvUp->addRow("R1", std::string(kLongNames[3]) + ".jpg", "photo.jpg", true);
    frm->lvUp->setCellText("R1", 1, "Uploading");
    frm->lvUp->setCellText("R1", 2, "45%");
    frm->lvUp->setCellText("R1", 5, kLongNames[1]);
    frm->setButtons();
    smallestAndLarge(*frm, QStringLiteral("transfers-window"), {1100, 760},
                     [&](const QString& name) { shot(set, name, *frm); });
    frm->toggleUploads();
    smallestAndLarge(*frm, QStringLiteral("transfers-window-uploads-hidden"), {1100, 760},
                     [&](const QString& name) { shot(set, name, *frm); });
    frm->toggleUploads();
    frm->close();
    settle();
    state.downloads.clear();
    state.users.clear();
}

// The classic chat with a conversation that fills it, at its least size and
// a large one: the newest line stays in view.
void classicChatSizes(ScreenSet& set) {
    AppState& state = set.state;
    qel::typNodeInfo node;
    node.ID = "LIST-PEER";
    node.Name = kLongNames[2];
    node.sharingFiles = true;
    ui::openClassicChatWindow(state, node, {});
    QPointer<ui::ClassicChatWindow> frm =
        dynamic_cast<ui::ClassicChatWindow*>(state.chatWindows.item("LIST-PEER").get());
    frm->timPing->stop();
    for (int i = 1; i <= 12; ++i) {
        frm->addMessage(std::string(kLongNames[2]) + ": line " + std::to_string(i) +
                            " of a long conversation about the concert on Saturday",
                        true);
    }
    frm->addMessage(state.Name + ": and this is the newest line", false);
    frm->setPingWarningVisible(true);
    smallestAndLarge(*frm, QStringLiteral("chat-old"), {900, 700},
                     [&](const QString& name) { shot(set, name, *frm); });
    frm->close();
    settle();
}

// The Explore view at its least size with long names in several scripts,
// users still "Loading", and a folder listed.
void exploreNamesScreens(ScreenSet& set) {
    ui::ExploreView& view = set.shell.views().frmMain();
    set.shell.views().Display(view);
    view.timRefresh->stop();
    ui::KeyedTree& tree = *view.tvLeft;
    tree.clearNodes();
    tree.setEnabled(true);
    using Image = ui::ExploreView::UserImage;
    ui::KeyedTree::Node* root =
        tree.addNode(nullptr, QStringLiteral("r"), "Network", Image::imgNetwork);
    int k = 0;
    ui::KeyedTree::Node* opened = nullptr;
    for (const char* name : kLongNames) {
        const QString key = QStringLiteral("user_L%1").arg(k++);
        ui::KeyedTree::Node* user = tree.addNode(root, key, name, Image::imgUserSharing);
        tree.addNode(user, QStringLiteral("ph_") + key, "Loading", Image::imgSearching);
        opened = opened ? opened : user;
    }
    tree.addNode(root, QStringLiteral("user_ann"), "Ann", Image::imgUserNotSharing);
    tree.removeSubnodes(opened);
    ui::KeyedTree::Node* folder =
        tree.addNode(opened, {}, "Fotos vom Sommerurlaub in Österreich", Image::imgFolder);
    tree.addNode(folder, QStringLiteral("ph_F1"), "Loading", Image::imgSearching);
    tree.addNode(opened, {}, "Музыка", Image::imgFolder);
    root->setExpanded(true);
    opened->setExpanded(true);
    tree.setCurrentItem(folder);
    view.lstFiles->clear();
    view.lstFiles->setEnabled(true);
    for (const char* name : kLongNames) {
        view.lstFiles->addEntry(name, view.imgUsers.picture(Image::imgFolder),
                                QStringLiteral("Folder"));
    }
    view.lstFiles->addEntry("a.txt", view.imgUsers.picture(Image::imgFolder),
                            QStringLiteral("File"));
    const QSize design = view.size();
    view.resize(view.minimumSize());
    shot(set, QStringLiteral("explore-long-names-smallest"), view);
    view.resize(1100, 760);
    shot(set, QStringLiteral("explore-long-names-large"), view);
    view.resize(design);
    tree.clearNodes();
    view.lstFiles->clear();
    settle();
}

// The Sharing view over a home folder with long and nested names: at its
// least size, large, maximised, and while it searches the drives.
void sharingSizesScreens(ScreenSet& set) {
    test::TempFolder home;
    const std::string deep = "Music/Klassik und Jazz aus aller Welt/Live-Aufnahmen 1998";
    for (const std::string& path :
         {std::string("Music"), std::string("Music/Klassik und Jazz aus aller Welt"), deep,
          deep + "/Αθήνα", std::string("Документы"), std::string("写真")}) {
        ::mkdir(home.file(path).c_str(), 0700);
    }
    for (const char* file :
         {"Music/cover.jpg", "Music/Пётр Ильич Чайковский — Лебединое озеро.flac",
          "Music/東京の家族写真と夏休みのビデオ.mkv"}) {
        test::writeFile(home.file(file), "x");
    }
    const ScopedHome fixtureHome(home.path());

    ui::ViewSwitcher& views = set.shell.views();
    ui::SharingView& view = views.frmShared();
    views.Display(view);
    set.state.sharedFolders.clear();
    set.state.sharedFolders.add(home.file(deep), home.file(deep));
    view.showDrives();
    QTreeWidgetItem* node = view.tvLeft->topLevelItem(0)->child(1);
    for (const QString& name :
         {QStringLiteral("Music"), QStringLiteral("Klassik und Jazz aus aller Welt"),
          QStringLiteral("Live-Aufnahmen 1998")}) {
        node->setExpanded(true);
        for (int i = 0; i < node->childCount(); ++i) {
            if (node->child(i)->text(0) == name) {
                node = node->child(i);
                break;
            }
        }
    }
    node->setExpanded(true);
    QTreeWidgetItem* music = view.tvLeft->topLevelItem(0)->child(1)->child(0);
    view.tvLeft->setCurrentItem(music);
    view.tvLeft_NodeClick(music);
    smallestAndLarge(view, QStringLiteral("sharing"), {1100, 760},
                     [&](const QString& name) { shot(set, name, view); });
    view.toggleMaximise();
    shot(set, QStringLiteral("sharing-largest"), view);
    view.toggleMaximise();

    // What the tree shows while the drives are read.
    view.lstFiles->clear();
    view.lstFiles->setEnabled(false);
    view.tvLeft->clear();
    view.tvLeft->setEnabled(false);
    auto searching = std::make_unique<QTreeWidgetItem>(QStringList{QStringLiteral("Searching")});
    searching->setIcon(0, view.comp.picture(QStringLiteral("find")));
    view.tvLeft->addTopLevelItem(searching.release());
    shot(set, QStringLiteral("sharing-searching"), view);

    set.state.sharedFolders.clear();
    view.showDrives();
}

}  // namespace

void listScreens(ScreenSet& set) {
    AppState& state = set.state;
    const bool newUI = state.NewUI;
    state.NewUI = false;
    classicTransfersScreens(set);
    classicChatSizes(set);
    state.NewUI = newUI;
    exploreNamesScreens(set);
    sharingSizesScreens(set);
}

}  // namespace tornel::screens
