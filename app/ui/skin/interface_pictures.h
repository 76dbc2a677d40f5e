#pragma once

#include <QString>

namespace tornel::ui {

class Skin;

// The illustrations of the two window modes on the settings dialog's
// "Interface" tab: the single skinned window with its tabs, and the plain
// users and transfers windows of the multiple-windows mode.
namespace pictures {
inline const QString kSingleWindow = QStringLiteral("interface.single");
inline const QString kUsersWindow = QStringLiteral("interface.users");
inline const QString kTransfersWindow = QStringLiteral("interface.transfers");
}  // namespace pictures

void addInterfacePictures(Skin& skin);

}  // namespace tornel::ui
