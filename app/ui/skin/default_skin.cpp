#include "ui/skin/default_skin.h"

#include "ui/skin/chat_skin.h"
#include "ui/skin/classic_skin.h"
#include "ui/skin/confirm_pictures.h"
#include "ui/skin/drawn_picture.h"
#include "ui/skin/glyphs.h"
#include "ui/skin/interface_pictures.h"
#include "ui/skin/palette.h"
#include "ui/skin/skin.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace tornel::ui {

namespace {

using namespace pictures;

constexpr int kBarHeight = 30;
constexpr int kTopLineHeight = 2;
constexpr int kStretchWidth = 64;
constexpr int kTitleButtonSize = 20;
constexpr int kTabWidth = 106;
constexpr int kTabHeight = 24;

QFont titleFont(int pointSize) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(pointSize);
    font.setBold(true);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QPixmap bar() {
    return drawn(QSize(kStretchWidth, kBarHeight), [](QPainter& p) {
        QLinearGradient fill(0, 0, 0, kBarHeight);
        fill.setColorAt(0, palette::kBarTop);
        fill.setColorAt(1, palette::kBarBottom);
        p.fillRect(QRect(0, 0, kStretchWidth, kBarHeight), fill);
    });
}

QPixmap solid(QSize size, const QColor& colour) {
    QPixmap picture(size);
    picture.fill(colour);
    return picture;
}

// The program's mark: a rounded square with two linked nodes.
void drawMark(QPainter& p, const QRectF& box, const QColor& fill) {
    const qreal unit = box.width() / 16.0;
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(box.adjusted(0.5 * unit, 0.5 * unit, -0.5 * unit, -0.5 * unit), 3.5 * unit,
                      3.5 * unit);
    const QPointF left = box.topLeft() + QPointF(5 * unit, 10.5 * unit);
    const QPointF right = box.topLeft() + QPointF(11 * unit, 5.5 * unit);
    p.setPen(QPen(Qt::white, 1.6 * unit, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(left, right);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(left, 2.3 * unit, 2.3 * unit);
    p.drawEllipse(right, 2.3 * unit, 2.3 * unit);
}

QPixmap mark(int size, const QColor& fill) {
    return drawn(QSize(size, size),
                 [&](QPainter& p) { drawMark(p, QRectF(0, 0, size, size), fill); });
}

// White lettering on the bar, as tall as the title buttons.
QPixmap lettering(const QString& text, int pointSize, const QString& glyph = {}) {
    const QFont font = titleFont(pointSize);
    const QFontMetrics metrics(font);
    const int glyphWidth = glyph.isEmpty() ? 0 : 18;
    const QSize size(glyphWidth + metrics.horizontalAdvance(text) + 2, kTitleButtonSize);
    return drawn(size, [&](QPainter& p) {
        if (!glyph.isEmpty()) {
            drawGlyph(p, glyph, QRectF(0, 2, 16, 16), palette::kBarText);
        }
        p.setFont(font);
        p.setPen(palette::kBarText);
        p.drawText(QRect(glyphWidth, 0, size.width() - glyphWidth, size.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
    });
}

QPixmap titleButton(const std::function<void(QPainter&)>& glyph) {
    return drawn(QSize(kTitleButtonSize, kTitleButtonSize), [&](QPainter& p) {
        p.setPen(QPen(QColor(255, 255, 255, 70), 1));
        p.setBrush(QColor(255, 255, 255, 30));
        p.drawRoundedRect(QRectF(0.5, 0.5, kTitleButtonSize - 1, kTitleButtonSize - 1), 4, 4);
        p.setPen(QPen(palette::kBarText, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        glyph(p);
    });
}

QPixmap tab(bool selected) {
    return drawn(QSize(kTabWidth, kTabHeight), [&](QPainter& p) {
        QPainterPath shape;
        const QRectF box(0.5, 0.5, kTabWidth - 1, kTabHeight + 4);
        shape.addRoundedRect(box, 5, 5);
        p.setClipRect(QRect(0, 0, kTabWidth, kTabHeight));
        p.setPen(QPen(palette::kTabBorder, 1));
        p.setBrush(selected ? palette::kBody : palette::kTabUnselected);
        p.drawPath(shape);
        if (selected) {
            p.setPen(Qt::NoPen);
            p.setBrush(palette::kAccent);
            p.drawRoundedRect(QRectF(1, 1, kTabWidth - 2, 3), 1.5, 1.5);
        }
    });
}

QPixmap actionButton(int size, const QString& tag, bool enabled) {
    return drawn(QSize(size, size), [&](QPainter& p) {
        p.setPen(QPen(enabled ? palette::kButtonBorder : palette::kDisabledBorder, 1));
        p.setBrush(enabled ? palette::kButtonFace : palette::kDisabledFace);
        p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), 4, 4);
        const qreal inset = (size - 16) / 2.0;
        drawGlyph(p, tag, QRectF(inset, inset, 16, 16),
                  enabled ? palette::kGlyph : palette::kDisabledGlyph);
    });
}

QPixmap listPicture(const std::function<void(QPainter&)>& paint) {
    return drawn(QSize(16, 16), paint);
}

void drawUser(QPainter& p, const QColor& colour, qreal dx = 0) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(6 + dx, 4.5), 3, 3);
    QPainterPath shoulders;
    shoulders.moveTo(0.5 + dx, 15);
    shoulders.cubicTo(0.5 + dx, 8.5, 11.5 + dx, 8.5, 11.5 + dx, 15);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
}

void drawFolder(QPainter& p, const QColor& edge, const QColor& fill) {
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawPolygon(QPolygonF{QPointF(1.5, 3.5), QPointF(6, 3.5), QPointF(7.5, 5), QPointF(14.5, 5),
                            QPointF(14.5, 13.5), QPointF(1.5, 13.5)});
}

void drawDrive(QPainter& p, const QColor& edge, const QColor& fill) {
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::kAccent.lighter(140));
    p.drawEllipse(QPointF(12, 8.5), 1.1, 1.1);
}

// A small filled badge at the lower right: the item holds shares below it.
void drawHoldsShares(QPainter& p) {
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(palette::kAccent);
    p.drawEllipse(QPointF(12, 12), 3.5, 3.5);
}

// A shared folder: filled with the accent, with two linked nodes on it.
void drawSharedFolder(QPainter& p) {
    drawFolder(p, palette::kAccentDark, palette::kAccent);
    p.setPen(QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.5, 11), QPointF(10.5, 7.5));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(5.5, 11), 1.6, 1.6);
    p.drawEllipse(QPointF(10.5, 7.5), 1.6, 1.6);
}

void drawComputer(QPainter& p) {
    p.setPen(QPen(palette::kBarBottom, 1));
    p.setBrush(palette::kAccent.lighter(160));
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 9), 1, 1);
    p.setBrush(palette::kBarBottom);
    p.drawRect(QRectF(5.5, 12.5, 5, 1.5));
}

void addFrame(Skin& skin) {
    skin.add(kBar, bar());
    skin.add(kTopLine, solid(QSize(kStretchWidth, kTopLineHeight), palette::kAccent));
    skin.add(kBody, solid(QSize(kStretchWidth, kStretchWidth), palette::kBody));
    skin.add(kIcon, mark(16, palette::kAccent));
    skin.add(kProxyIcon, mark(16, palette::kAccent));
    skin.add(kLogo, lettering(QStringLiteral("Tornel"), 10));
    skin.add(kChatLogo, lettering(QStringLiteral("Tornel"), 10, QStringLiteral("chat")));
    skin.add(kTitle + QStringLiteral("Chat"), lettering(QStringLiteral("Chat"), 9));
    skin.add(kButtonMin, titleButton([](QPainter& p) { p.drawLine(6, 13, 14, 13); }));
    skin.add(kButtonMax,
             titleButton([](QPainter& p) { p.drawRoundedRect(QRectF(6, 6, 8, 8), 1, 1); }));
    skin.add(kButtonClose, titleButton([](QPainter& p) {
                 p.drawLine(QPointF(6.5, 6.5), QPointF(13.5, 13.5));
                 p.drawLine(QPointF(13.5, 6.5), QPointF(6.5, 13.5));
             }));
}

void addTabs(Skin& skin) {
    skin.add(kTabUnselected, tab(false));
    skin.add(kTabSelected, tab(true));
}

void addButtons(Skin& skin, const QString& set, const QStringList& tags, int size) {
    for (const QString& tag : tags) {
        skin.add(buttonPictureName(set, tag, true), actionButton(size, tag, true));
        skin.add(buttonPictureName(set, tag, false), actionButton(size, tag, false));
    }
}

void addTray(Skin& skin) {
    skin.add(kTray16, mark(16, palette::kAccent));
    skin.add(kTray22, mark(22, palette::kAccent));
    skin.add(kTrayPressed16, mark(16, palette::kAccentDark));
    skin.add(kTrayPressed22, mark(22, palette::kAccentDark));
}

void addListPictures(Skin& skin) {
    skin.add(kGenericFile, listPicture([](QPainter& p) {
                 p.setBrush(Qt::white);
                 drawGlyph(p, QStringLiteral("file"), QRectF(0, 0, 16, 16), palette::kTabBorder);
             }));
    skin.add(kFolder, listPicture([](QPainter& p) {
                 drawFolder(p, palette::kWarm.darker(130), palette::kWarm.lighter(130));
             }));
    skin.add(kUser, listPicture([](QPainter& p) { drawUser(p, palette::kAccent, 2); }));
    skin.add(kUserSharing, listPicture([](QPainter& p) {
                 drawUser(p, palette::kAccent);
                 p.setPen(QPen(palette::kWarm.darker(130), 1));
                 p.setBrush(palette::kWarm.lighter(120));
                 p.drawRect(QRectF(9.5, 9.5, 6, 5));
             }));
    skin.add(kNoUsers, listPicture([](QPainter& p) { drawUser(p, palette::kDisabledGlyph, 2); }));
    skin.add(kSearching, listPicture([](QPainter& p) {
                 p.setPen(QPen(palette::kGlyph, 1.6, Qt::SolidLine, Qt::RoundCap));
                 p.drawEllipse(QRectF(2, 2, 8, 8));
                 p.drawLine(QPointF(9.2, 9.2), QPointF(14, 14));
             }));
    skin.add(kNetwork, listPicture([](QPainter& p) {
                 p.setPen(QPen(palette::kGlyph, 1.2));
                 p.drawLine(QPointF(8, 4), QPointF(3.5, 12));
                 p.drawLine(QPointF(8, 4), QPointF(12.5, 12));
                 p.drawLine(QPointF(3.5, 12), QPointF(12.5, 12));
                 p.setPen(Qt::NoPen);
                 p.setBrush(palette::kAccent);
                 for (const QPointF centre : {QPointF(8, 4), QPointF(3.5, 12), QPointF(12.5, 12)}) {
                     p.drawEllipse(centre, 2.6, 2.6);
                 }
             }));
}

void addSharingPictures(Skin& skin) {
    const QColor driveEdge = palette::kTabBorder.darker(120);
    const QColor driveFill = palette::kTabUnselected;
    skin.add(kComputer, listPicture(drawComputer));
    skin.add(kDrive, listPicture([&](QPainter& p) { drawDrive(p, driveEdge, driveFill); }));
    skin.add(kSharedFolder, listPicture(drawSharedFolder));
    skin.add(kParentFolder, listPicture([](QPainter& p) {
                 drawFolder(p, palette::kWarm.darker(130), palette::kWarm.lighter(130));
                 drawHoldsShares(p);
             }));
    skin.add(kParentDrive, listPicture([&](QPainter& p) {
                 drawDrive(p, driveEdge, driveFill);
                 drawHoldsShares(p);
             }));
}

}  // namespace

void addDefaultSkin(Skin& skin) {
    addFrame(skin);
    addTabs(skin);
    addButtons(skin, QStringLiteral("explore"), exploreButtonTags(), 24);
    addButtons(skin, QStringLiteral("transfers"), transferButtonTags(), 25);
    addTray(skin);
    addListPictures(skin);
    addSharingPictures(skin);
    addChatSkin(skin);
    addClassicSkin(skin);
    addConfirmPictures(skin);
    addInterfacePictures(skin);
}

}  // namespace tornel::ui
