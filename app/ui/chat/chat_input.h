#pragma once

#include <string>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tornel {
class ChatConversation;
}

namespace tornel::ui {

// What both chat windows do with their conversation box, input line and
// send button.

// Appends `line` to the conversation (a line break before every line but
// the first) and keeps the newest line in view.
void appendChatLine(QPlainTextEdit& txtConv, const std::string& line);

// Sends the input line to the peer; once sent, the own line is shown in
// `txtConv` and the input is emptied (which tells the peer the user stopped
// typing) and keeps the focus. Whether a line was sent.
bool sendInputLine(ChatConversation& conversation, QLineEdit& txtIn, QPlainTextEdit& txtConv);

// The input changed: the send button is enabled exactly while there is
// text, and the peer hears when typing starts or stops.
void inputChanged(ChatConversation& conversation, const QLineEdit& txtIn, QPushButton& cmdSend);

}  // namespace tornel::ui
