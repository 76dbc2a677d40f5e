#include "ui/skin/confirm_pictures.h"

#include "ui/skin/palette.h"
#include "ui/skin/skin.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tornel::ui {
namespace {

constexpr int kHeaderPictureSize = 28;

// A sheet with a folded corner and three text lines.
void drawSheet(QPainter& p) {
    QPainterPath sheet;
    sheet.moveTo(4.5, 2.5);
    sheet.lineTo(15.5, 2.5);
    sheet.lineTo(21.5, 8.5);
    sheet.lineTo(21.5, 25.5);
    sheet.lineTo(4.5, 25.5);
    sheet.closeSubpath();
    p.setPen(QPen(palette::kTabBorder, 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.setBrush(palette::kBodyEdge);
    p.drawPolygon(QPolygonF{QPointF(15.5, 2.5), QPointF(15.5, 8.5), QPointF(21.5, 8.5)});
    p.setPen(QPen(palette::kBodyEdge, 1.4, Qt::SolidLine, Qt::RoundCap));
    for (const qreal y : {12.0, 15.5, 19.0}) {
        p.drawLine(QPointF(8, y), QPointF(y < 13 ? 18 : 14, y));
    }
}

// A padlock in the accent colour at the sheet's lower right.
void drawLock(QPainter& p) {
    p.setPen(QPen(palette::kAccentDark, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(16.5, 12.5, 7, 8), 0, 180 * 16);
    p.drawLine(QPointF(16.5, 16.5), QPointF(16.5, 18));
    p.drawLine(QPointF(23.5, 16.5), QPointF(23.5, 18));
    p.setPen(QPen(palette::kAccentDark, 1));
    p.setBrush(palette::kAccent);
    p.drawRoundedRect(QRectF(14.5, 17.5, 11, 9), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(20, 21.5), 1.4, 1.4);
}

QPixmap confirmHeader() {
    QPixmap picture(kHeaderPictureSize, kHeaderPictureSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    drawSheet(painter);
    drawLock(painter);
    return picture;
}

}  // namespace

void addConfirmPictures(Skin& skin) {
    skin.add(pictures::kConfirmHeader, confirmHeader());
}

}  // namespace tornel::ui
