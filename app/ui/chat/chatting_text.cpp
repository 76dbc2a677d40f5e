#include "ui/chat/chatting_text.h"

namespace tornel::ui {

namespace {

const QString kChattingWith = QStringLiteral("Chatting with ");

QString shortened(const QString& name, qsizetype kept) {
    return kChattingWith + name.left(kept) + QStringLiteral("..");
}

}  // namespace

QString chattingCaption(const QString& name, const std::function<bool(const QString&)>& fits) {
    const QString whole = kChattingWith + name;
    if (fits(whole)) {
        return whole;
    }
    // Shorter captions are narrower, so the longest prefix that fits is
    // found by halving instead of dropping one letter at a time.
    qsizetype low = 1;  // the name cut to `low` letters fits (checked below)
    qsizetype high = name.size() - 1;
    if (high < 1 || !fits(shortened(name, low))) {
        return name.size() > 7 ? name.left(6) + QStringLiteral("..") : name;
    }
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (fits(shortened(name, middle))) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return shortened(name, low);
}

}  // namespace tornel::ui
