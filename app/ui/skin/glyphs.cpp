#include "ui/skin/glyphs.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace tornel::ui {

namespace {

// Glyphs are drawn on a 16 × 16 grid scaled into the box.
using GlyphPainter = std::function<void(QPainter&, const QColor&)>;

QPen linePen(const QColor& colour) {
    return QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void arrowHead(QPainter& p, QPointF tip, QPointF back1, QPointF back2) {
    p.drawPolyline(QPolygonF{back1, tip, back2});
}

// An open tray along the bottom, that a send or download arrow leaves or enters.
void tray(QPainter& p) {
    p.drawPolyline(
        QPolygonF{QPointF(2.5, 10), QPointF(2.5, 13.5), QPointF(13.5, 13.5), QPointF(13.5, 10)});
}

void refresh(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 280 * 16);
    arrowHead(p, QPointF(11.8, 4.2), QPointF(8.8, 3.6), QPointF(11.4, 1.4));
}

void chat(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(2, 3, 12, 8), 2.5, 2.5);
    p.drawPath(bubble);
    p.drawPolyline(QPolygonF{QPointF(5, 11), QPointF(4.5, 14), QPointF(8, 11)});
}

// Two people, the nearer in front: the users online.
void users(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    p.drawEllipse(QRectF(8.5, 2, 4.5, 4.5));
    p.drawArc(QRectF(7.5, 7.5, 7.5, 8), 20 * 16, 140 * 16);
    p.drawEllipse(QRectF(3, 4.5, 5, 5));
    p.drawArc(QRectF(1, 11, 9, 8), 0, 180 * 16);
}

void send(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    p.drawLine(QPointF(8, 11), QPointF(8, 2.5));
    arrowHead(p, QPointF(8, 2.5), QPointF(5, 5.5), QPointF(11, 5.5));
    tray(p);
}

void download(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    p.drawLine(QPointF(8, 2.5), QPointF(8, 10.5));
    arrowHead(p, QPointF(8, 10.5), QPointF(5, 7.5), QPointF(11, 7.5));
    tray(p);
}

void status(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    p.drawEllipse(QRectF(2, 2, 12, 12));
    p.drawLine(QPointF(8, 7.2), QPointF(8, 11));
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawPoint(QPointF(8, 4.9));
}

void stop(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(4, 4, 8, 8), 1.2, 1.2);
}

void resume(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    p.setBrush(c);
    p.drawPolygon(QPolygonF{QPointF(5, 3.5), QPointF(12.5, 8), QPointF(5, 12.5)});
}

void file(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    p.drawPolygon(QPolygonF{QPointF(3.5, 1.5), QPointF(9.5, 1.5), QPointF(12.5, 4.5),
                            QPointF(12.5, 14.5), QPointF(3.5, 14.5)});
    p.drawPolyline(QPolygonF{QPointF(9.5, 1.5), QPointF(9.5, 4.5), QPointF(12.5, 4.5)});
}

void folder(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    p.drawPolygon(QPolygonF{QPointF(1.5, 3.5), QPointF(6, 3.5), QPointF(7.5, 5), QPointF(14.5, 5),
                            QPointF(14.5, 13), QPointF(1.5, 13)});
    p.drawLine(QPointF(1.5, 7), QPointF(14.5, 7));
}

void remove(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    p.drawLine(QPointF(2.5, 4), QPointF(13.5, 4));
    p.drawPolyline(QPolygonF{QPointF(6, 4), QPointF(6, 2.3), QPointF(10, 2.3), QPointF(10, 4)});
    p.drawPolygon(QPolygonF{QPointF(4, 4), QPointF(12, 4), QPointF(11.2, 14), QPointF(4.8, 14)});
    p.drawLine(QPointF(6.8, 6.5), QPointF(6.8, 11.5));
    p.drawLine(QPointF(9.2, 6.5), QPointF(9.2, 11.5));
}

void clear(QPainter& p, const QColor& c) {
    p.setPen(linePen(c));
    p.drawLine(QPointF(2.5, 4), QPointF(9, 4));
    p.drawLine(QPointF(2.5, 8), QPointF(7, 8));
    p.drawLine(QPointF(2.5, 12), QPointF(6, 12));
    p.drawLine(QPointF(9.5, 8.5), QPointF(14, 13));
    p.drawLine(QPointF(14, 8.5), QPointF(9.5, 13));
}

const QHash<QString, GlyphPainter>& glyphPainters() {
    static const QHash<QString, GlyphPainter> painters{
        {QStringLiteral("refresh"), refresh}, {QStringLiteral("chat"), chat},
        {QStringLiteral("send"), send},       {QStringLiteral("download"), download},
        {QStringLiteral("status"), status},   {QStringLiteral("stop"), stop},
        {QStringLiteral("resume"), resume},   {QStringLiteral("file"), file},
        {QStringLiteral("folder"), folder},   {QStringLiteral("delete"), remove},
        {QStringLiteral("clear"), clear},     {QStringLiteral("users"), users},
    };
    return painters;
}

}  // namespace

void drawGlyph(QPainter& painter, const QString& name, const QRectF& box, const QColor& colour) {
    const auto found = glyphPainters().find(name);
    if (found == glyphPainters().end()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / 16.0, box.height() / 16.0);
    painter.setBrush(Qt::NoBrush);
    (*found)(painter, colour);
    painter.restore();
}

}  // namespace tornel::ui
