#include "core/state/app_state.h"
#include "screens/scoped_home.h"
#include "screens/screens.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"
#include "ui/views/sharing_view.h"

#include <QApplication>

#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace tornel::screens {

namespace {

QTreeWidgetItem* child(QTreeWidgetItem* node, const QString& text) {
    for (int i = 0; i < node->childCount(); ++i) {
        if (node->child(i)->text(0) == text) {
            return node->child(i);
        }
    }
    return node;
}

}  // namespace

void sharingScreens(ScreenSet& set, ui::SharingView& view) {
    // A home folder of its own: Music with a shared Jazz, a shared Docs.
    test::TempFolder home;
    for (const char* path : {"Music", "Music/Jazz", "Music/Rock", "Music/Classical", "Docs",
                             "Docs/Letters", "Photos", "Photos/2023", "Photos/2024", "Videos"}) {
        ::mkdir(home.file(path).c_str(), 0700);
    }
    for (const char* file :
         {"Music/playlist.m3u", "Music/cover.jpg", "Music/notes.txt", "Music/live-session.flac"}) {
        test::writeFile(home.file(file), "x");
    }
    const ScopedHome fixtureHome(home.path());

    set.state.sharedFolders.clear();
    set.state.sharedFolders.add(home.file("Music/Jazz"), home.file("Music/Jazz"));
    set.state.sharedFolders.add(home.file("Docs"), home.file("Docs"));
    view.showDrives();
    QTreeWidgetItem* homeDrive = view.tvLeft->topLevelItem(0)->child(1);
    homeDrive->setExpanded(true);
    QTreeWidgetItem* music = child(homeDrive, QStringLiteral("Music"));
    music->setExpanded(true);
    child(homeDrive, QStringLiteral("Docs"))->setExpanded(true);
    view.tvLeft->setCurrentItem(music);
    view.tvLeft_NodeClick(music);
    QApplication::processEvents();
    set.shots.window(QStringLiteral("sharing-folders"), view);

    // The user checks Music: its share takes in Jazz, the children show checked.
    music->setCheckState(0, Qt::Checked);
    QApplication::processEvents();
    set.shots.window(QStringLiteral("sharing-music-checked"), view);

    set.state.sharedFolders.clear();
    view.showDrives();
}

}  // namespace tornel::screens
