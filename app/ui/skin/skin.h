#pragma once

#include <QHash>
#include <QPixmap>
#include <QString>

namespace tornel::ui {

// The registry of the program's named pictures. Windows copy what they need
// into their image lists and picture controls when they are built; pictures
// found at run time (file-type icons) are added later.
class Skin {
  public:
    // The process's skin, filled with the default skin on first use.
    static Skin& instance();

    void add(const QString& name, const QPixmap& picture);
    bool contains(const QString& name) const { return pictures_.contains(name); }
    // The picture under `name`; a null picture when there is none.
    QPixmap picture(const QString& name) const { return pictures_.value(name); }
    // Every name, sorted.
    QStringList names() const;

  private:
    QHash<QString, QPixmap> pictures_;
};

// Names of the pictures every skin holds.
namespace pictures {
// Skinned-window frame: bar and body stretch, the rest keep their size.
inline const QString kBar = QStringLiteral("frame.bar");
inline const QString kTopLine = QStringLiteral("frame.topline");
inline const QString kBody = QStringLiteral("frame.body");
inline const QString kLogo = QStringLiteral("frame.logo");
inline const QString kChatLogo = QStringLiteral("frame.chatlogo");
inline const QString kIcon = QStringLiteral("frame.icon");
inline const QString kButtonMin = QStringLiteral("frame.min");
inline const QString kButtonMax = QStringLiteral("frame.max");
inline const QString kButtonClose = QStringLiteral("frame.close");
// Title lettering: kTitle + the window's title ("title.Chat").
inline const QString kTitle = QStringLiteral("title.");
// Tab strip.
inline const QString kTabUnselected = QStringLiteral("tab.unsel");
inline const QString kTabSelected = QStringLiteral("tab.sel");
// Tray icon at rest and pressed, in 16 and 22 pixels.
inline const QString kTray16 = QStringLiteral("tray.16");
inline const QString kTray22 = QStringLiteral("tray.22");
inline const QString kTrayPressed16 = QStringLiteral("tray.pressed.16");
inline const QString kTrayPressed22 = QStringLiteral("tray.pressed.22");
// Task-bar entry of the windows.
inline const QString kProxyIcon = QStringLiteral("proxy.icon");
// File that has no icon of its own type.
inline const QString kGenericFile = QStringLiteral("file.generic");
// Small list pictures: user, user sharing, searching, network, folder.
inline const QString kUser = QStringLiteral("list.user");
inline const QString kUserSharing = QStringLiteral("list.usersharing");
inline const QString kNoUsers = QStringLiteral("list.nousers");
inline const QString kSearching = QStringLiteral("list.searching");
inline const QString kNetwork = QStringLiteral("list.network");
inline const QString kFolder = QStringLiteral("list.folder");
// The Sharing view's tree: the computer, a drive, a shared folder, a folder
// or a drive holding shares.
inline const QString kComputer = QStringLiteral("list.computer");
inline const QString kDrive = QStringLiteral("list.drive");
inline const QString kSharedFolder = QStringLiteral("list.shared");
inline const QString kParentFolder = QStringLiteral("list.parent");
inline const QString kParentDrive = QStringLiteral("list.parentdrive");
}  // namespace pictures

// Action buttons of a view, by the view's set ("explore", "transfers") and
// the button's Tag, enabled or disabled.
QString buttonPictureName(const QString& set, const QString& tag, bool enabled);

// The button Tags of the two sets, in the order of their buttons' indexes:
// the Explore view's 24-pixel buttons and the Transfers view's 25-pixel ones.
QStringList exploreButtonTags();
QStringList transferButtonTags();

}  // namespace tornel::ui
