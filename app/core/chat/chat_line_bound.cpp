#include "core/chat/chat_line_bound.h"

#include <QString>

namespace tornel {

std::string boundedChatLine(std::string line) {
    // Every character takes at least one byte: a line this short fits.
    if (line.size() <= static_cast<size_t>(kMaxChatLineLength)) {
        return line;
    }
    QString text = QString::fromStdString(line);
    if (text.size() <= kMaxChatLineLength) {
        return line;
    }
    qsizetype length = kMaxChatLineLength;
    if (text.at(length - 1).isHighSurrogate()) {
        --length;  // the pair would be split
    }
    text.truncate(length);
    return text.toStdString();
}

}  // namespace tornel
