#include "ui/skin/chat_skin.h"

#include "ui/skin/drawn_picture.h"
#include "ui/skin/glyphs.h"
#include "ui/skin/palette.h"
#include "ui/skin/skin.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace tornel::ui {

namespace {

using namespace pictures;

constexpr int kSpeechSize = 40;
constexpr int kLinkIconSize = 16;
constexpr int kHeaderSize = 40;

// A rounded speech bubble in `box` with its tail at the lower left or right.
QPainterPath bubble(const QRectF& box, bool tailLeft) {
    QPainterPath path;
    path.addRoundedRect(box, box.height() / 3, box.height() / 3);
    const qreal tailX =
        tailLeft ? box.left() + box.width() * 0.25 : box.right() - box.width() * 0.25;
    const qreal lean = tailLeft ? -4 : 4;
    QPainterPath tail;
    tail.moveTo(tailX - 4, box.bottom() - 2);
    tail.lineTo(tailX + lean, box.bottom() + 6);
    tail.lineTo(tailX + 4, box.bottom() - 2);
    tail.closeSubpath();
    return path.united(tail);
}

void dots(QPainter& p, const QRectF& box, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const qreal y = box.center().y();
    for (int k = -1; k <= 1; ++k) {
        p.drawEllipse(QPointF(box.center().x() + k * box.width() / 5, y), 1.8, 1.8);
    }
}

QPixmap speech() {
    return drawn(QSize(kSpeechSize, kSpeechSize), [](QPainter& p) {
        const QRectF back(12, 3, 26, 18);
        p.setPen(QPen(palette::kAccentDark, 1));
        p.setBrush(palette::kTabUnselected);
        p.drawPath(bubble(back, false));
        dots(p, back, palette::kAccentDark);
        const QRectF front(2, 15, 26, 18);
        p.setPen(QPen(palette::kAccentDark, 1));
        p.setBrush(palette::kAccent);
        p.drawPath(bubble(front, true));
        dots(p, front, Qt::white);
    });
}

QPixmap linkIcon(const QString& glyph, bool enabled) {
    return drawn(QSize(kLinkIconSize, kLinkIconSize), [&](QPainter& p) {
        drawGlyph(p, glyph, QRectF(0, 0, kLinkIconSize, kLinkIconSize),
                  enabled ? palette::kGlyph : palette::kDisabledGlyph);
    });
}

QPixmap incomingHeader() {
    return drawn(QSize(kHeaderSize, kHeaderSize), [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(palette::kAccent);
        p.drawEllipse(QRectF(1, 1, kHeaderSize - 2, kHeaderSize - 2));
        drawGlyph(p, QStringLiteral("download"), QRectF(8, 8, 24, 24), Qt::white);
    });
}

}  // namespace

void addChatSkin(Skin& skin) {
    skin.add(kChatSpeech, speech());
    skin.add(kChatSharing, linkIcon(QStringLiteral("folder"), true));
    skin.add(kChatSharingDisabled, linkIcon(QStringLiteral("folder"), false));
    skin.add(kChatSendFile, linkIcon(QStringLiteral("send"), true));
    skin.add(kChatSendFileDisabled, linkIcon(QStringLiteral("send"), false));
    skin.add(kIncomingHeader, incomingHeader());
}

}  // namespace tornel::ui
