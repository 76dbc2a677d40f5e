#pragma once

#include <QString>

namespace tornel::ui {

class Skin;

namespace pictures {
// The chat window: the speech decoration and the two link icons.
inline const QString kChatSpeech = QStringLiteral("chat.speech");
inline const QString kChatSharing = QStringLiteral("chat.sharing");
inline const QString kChatSharingDisabled = QStringLiteral("chat.sharing.disabled");
inline const QString kChatSendFile = QStringLiteral("chat.sendfile");
inline const QString kChatSendFileDisabled = QStringLiteral("chat.sendfile.disabled");
// The incoming-file prompt's header picture.
inline const QString kIncomingHeader = QStringLiteral("incoming.header");
}  // namespace pictures

// Draws the pictures of the chat window and the incoming-file prompt.
void addChatSkin(Skin& skin);

}  // namespace tornel::ui
