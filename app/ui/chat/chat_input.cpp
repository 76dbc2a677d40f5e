#include "ui/chat/chat_input.h"

#include "core/chat/chat_conversation.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace tornel::ui {

void appendChatLine(QPlainTextEdit& txtConv, const std::string& line) {
    txtConv.appendPlainText(QString::fromStdString(line));
    txtConv.moveCursor(QTextCursor::End);
    txtConv.ensureCursorVisible();
}

bool sendInputLine(ChatConversation& conversation, QLineEdit& txtIn, QPlainTextEdit& txtConv) {
    const std::optional<std::string> line = conversation.send(txtIn.text().toStdString());
    if (!line) {
        return false;
    }
    appendChatLine(txtConv, *line);
    txtIn.clear();
    txtIn.setFocus();
    return true;
}

void inputChanged(ChatConversation& conversation, const QLineEdit& txtIn, QPushButton& cmdSend) {
    const bool typing = !txtIn.text().isEmpty();
    cmdSend.setEnabled(typing);
    conversation.typingStatus(typing);
}

}  // namespace tornel::ui
