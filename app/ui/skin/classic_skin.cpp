#include "ui/skin/classic_skin.h"

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

constexpr int kToolSize = 16;
constexpr int kHeadingSize = 32;

QPen linePen(const QColor& colour) {
    return QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A house: the top folder of a share.
void drawHome(QPainter& p, const QColor& colour) {
    p.setPen(linePen(colour));
    p.setBrush(Qt::NoBrush);
    QPainterPath roof;
    roof.moveTo(2, 8);
    roof.lineTo(8, 2.5);
    roof.lineTo(14, 8);
    p.drawPath(roof);
    p.drawPolyline(QPolygonF({{4, 7}, {4, 13.5}, {12, 13.5}, {12, 7}}));
    p.drawRect(QRectF(6.75, 9.5, 2.5, 4));
}

// An arrow bending up and left: one folder level up.
void drawUp(QPainter& p, const QColor& colour) {
    p.setPen(linePen(colour));
    p.setBrush(Qt::NoBrush);
    QPainterPath stem;
    stem.moveTo(13, 13.5);
    stem.lineTo(13, 8);
    stem.quadTo(13, 5, 10, 5);
    stem.lineTo(4, 5);
    p.drawPath(stem);
    p.drawPolyline(QPolygonF({{6.5, 2.5}, {4, 5}, {6.5, 7.5}}));
}

// The line glyph of a toolbar key; "files" is the shared-folder picture.
void drawTool(QPainter& p, const QString& key, const QColor& colour) {
    if (key == QLatin1String("home")) {
        drawHome(p, colour);
    } else if (key == QLatin1String("up")) {
        drawUp(p, colour);
    } else {
        const QString glyph = key == QLatin1String("files") ? QStringLiteral("folder") : key;
        drawGlyph(p, glyph, QRectF(0, 0, kToolSize, kToolSize), colour);
    }
}

// The glyph `glyph` in light lines on an accent disc: the heading of the plain windows.
QPixmap heading(const QString& glyph) {
    return drawn(QSize(kHeadingSize, kHeadingSize), [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(palette::kAccent);
        p.drawEllipse(QRectF(1, 1, kHeadingSize - 2, kHeadingSize - 2));
        drawGlyph(p, glyph, QRectF(6, 6, 20, 20), palette::kBarText);
    });
}

const QStringList& toolKeys() {
    static const QStringList keys{
        QStringLiteral("files"),   QStringLiteral("chat"),   QStringLiteral("send"),
        QStringLiteral("home"),    QStringLiteral("up"),     QStringLiteral("download"),
        QStringLiteral("refresh"), QStringLiteral("status"), QStringLiteral("stop"),
        QStringLiteral("file"),    QStringLiteral("folder"), QStringLiteral("delete"),
        QStringLiteral("clear")};
    return keys;
}

}  // namespace

void addClassicSkin(Skin& skin) {
    skin.add(kClassicHeading, heading(QStringLiteral("folder")));
    skin.add(kClassicChatHeading, heading(QStringLiteral("chat")));
    skin.add(kClassicUsersHeading, heading(QStringLiteral("users")));
    for (const QString& key : toolKeys()) {
        skin.add(kClassicTool + key, drawn(QSize(kToolSize, kToolSize), [&](QPainter& p) {
                     drawTool(p, key, palette::kGlyph);
                 }));
        skin.add(kClassicTool + key + QStringLiteral(".disabled"),
                 drawn(QSize(kToolSize, kToolSize),
                       [&](QPainter& p) { drawTool(p, key, palette::kDisabledGlyph); }));
    }
}

QIcon classicToolIcon(const QString& key) {
    const Skin& skin = Skin::instance();
    QIcon icon(skin.picture(kClassicTool + key));
    icon.addPixmap(skin.picture(kClassicTool + key + QStringLiteral(".disabled")), QIcon::Disabled);
    return icon;
}

}  // namespace tornel::ui
