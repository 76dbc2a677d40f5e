#pragma once

#include <QIcon>
#include <QString>

namespace tornel::ui {

class Skin;

namespace pictures {
// The heading decoration of the plain windows (Image1).
inline const QString kClassicHeading = QStringLiteral("classic.heading");
// The heading decoration of the users window.
inline const QString kClassicUsersHeading = QStringLiteral("classic.heading.users");
// The heading decoration of the classic chat window.
inline const QString kClassicChatHeading = QStringLiteral("classic.heading.chat");
// Toolbar pictures of the plain windows: kClassicTool + the button's key
// ("classic.tool.home"), and the same with ".disabled".
inline const QString kClassicTool = QStringLiteral("classic.tool.");
}  // namespace pictures

// Draws the pictures of the plain windows of the multiple-windows mode.
void addClassicSkin(Skin& skin);

// The toolbar icon of the button `key`, with its disabled look.
QIcon classicToolIcon(const QString& key);

}  // namespace tornel::ui
