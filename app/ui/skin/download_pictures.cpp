#include "ui/skin/download_pictures.h"

#include "ui/skin/palette.h"
#include "ui/skin/skin.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tornel::ui {

namespace {

constexpr int kBannerSize = 48;

// A file sheet with a folded corner and an arrow down into a tray.
QPixmap downloadBanner() {
    QPixmap picture(kBannerSize, kBannerSize);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath sheet;
    sheet.moveTo(12.5, 3.5);
    sheet.lineTo(29.5, 3.5);
    sheet.lineTo(37.5, 11.5);
    sheet.lineTo(37.5, 34.5);
    sheet.lineTo(12.5, 34.5);
    sheet.closeSubpath();
    p.setPen(QPen(palette::kTabBorder, 1));
    p.setBrush(palette::kButtonFace);
    p.drawPath(sheet);
    QPainterPath fold;
    fold.moveTo(29.5, 3.5);
    fold.lineTo(29.5, 11.5);
    fold.lineTo(37.5, 11.5);
    p.setBrush(palette::kBodyEdge);
    p.drawPath(fold);

    p.setPen(QPen(palette::kAccent, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(25, 13), QPointF(25, 33));
    p.drawPolyline(QPolygonF({QPointF(17, 26), QPointF(25, 34), QPointF(33, 26)}));

    QPainterPath tray;
    tray.moveTo(6, 33);
    tray.lineTo(6, 44);
    tray.lineTo(42, 44);
    tray.lineTo(42, 33);
    p.setPen(QPen(palette::kAccentDark, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tray);
    return picture;
}

}  // namespace

void addDownloadPictures(Skin& skin) {
    skin.add(pictures::kDownloadBanner, downloadBanner());
}

}  // namespace tornel::ui
