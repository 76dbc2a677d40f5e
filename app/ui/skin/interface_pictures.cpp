#include "ui/skin/interface_pictures.h"

#include "ui/skin/palette.h"
#include "ui/skin/skin.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

#include <functional>

namespace tornel::ui {

namespace {

constexpr int kWidth = 140;
constexpr int kHeight = 100;
constexpr int kSmallWidth = 110;
constexpr int kSmallHeight = 84;
constexpr qreal kTitleHeight = 11;

const QColor kPlainTitle(0xdc, 0xe2, 0xe9);
const QColor kLine(0xb9, 0xc4, 0xd0);
const QColor kShadow(0, 0, 0, 40);

// A window of `size` with a soft shadow; returns its inner rectangle.
QRectF windowOutline(QPainter& p, QSize size) {
    const QRectF frame(0.5, 0.5, size.width() - 3, size.height() - 3);
    p.setPen(Qt::NoPen);
    p.setBrush(kShadow);
    p.drawRoundedRect(frame.translated(2, 2), 3, 3);
    p.setPen(QPen(palette::kTabBorder, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(frame, 3, 3);
    return frame.adjusted(1, 1, -1, -1);
}

void drawTitleBar(QPainter& p, const QRectF& inner, bool skinned) {
    const QRectF bar(inner.left(), inner.top(), inner.width(), kTitleHeight);
    if (skinned) {
        QLinearGradient fill(bar.topLeft(), bar.bottomLeft());
        fill.setColorAt(0, palette::kBarTop);
        fill.setColorAt(1, palette::kBarBottom);
        p.fillRect(bar, fill);
        p.fillRect(QRectF(bar.left(), bar.bottom(), bar.width(), 1.5), palette::kAccent);
    } else {
        p.fillRect(bar, kPlainTitle);
    }
    // The three title buttons.
    p.setPen(Qt::NoPen);
    p.setBrush(skinned ? palette::kBarText : palette::kTabBorder);
    for (int i = 0; i < 3; ++i) {
        p.drawEllipse(QPointF(bar.right() - 5 - i * 6, bar.center().y()), 1.6, 1.6);
    }
}

// Rows of a list from `top`: a small picture drawn by `mark`, then a line.
template <class Mark>
void drawRows(QPainter& p, const QRectF& area, int rows, Mark mark) {
    for (int i = 0; i < rows; ++i) {
        const qreal y = area.top() + 5 + i * 10;
        mark(QPointF(area.left() + 6, y));
        p.setPen(QPen(kLine, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(area.left() + 13, y), QPointF(area.right() - 8 - (i % 2) * 14, y));
    }
}

void drawUserMark(QPainter& p, QPointF at) {
    p.setPen(Qt::NoPen);
    p.setBrush(palette::kAccent);
    p.drawEllipse(at + QPointF(0, -1.8), 1.5, 1.5);
    p.drawChord(QRectF(at.x() - 3, at.y() - 0.2, 6, 6), 0, 180 * 16);
}

QPixmap illustration(QSize size, bool skinned, const std::function<void(QPainter&, QRectF)>& body) {
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF inner = windowOutline(p, size);
    drawTitleBar(p, inner, skinned);
    body(p, inner.adjusted(0, kTitleHeight + 1.5, 0, 0));
    return picture;
}

QPixmap singleWindow() {
    return illustration(QSize(kWidth, kHeight), true, [](QPainter& p, QRectF area) {
        p.fillRect(area, palette::kBody);
        // The tab strip, the first tab chosen.
        for (int i = 0; i < 3; ++i) {
            const QRectF tab(area.left() + 4 + i * 24, area.top() + 3, 22, 7);
            p.setPen(QPen(palette::kTabBorder, 0.8));
            p.setBrush(i == 0 ? Qt::white : palette::kTabUnselected);
            p.drawRoundedRect(tab, 1.5, 1.5);
        }
        const QRectF list = area.adjusted(4, 12, -4, -4);
        p.setPen(QPen(palette::kBodyEdge, 1));
        p.setBrush(Qt::white);
        p.drawRect(list);
        drawRows(p, list, 6, [&p](QPointF at) { drawUserMark(p, at); });
    });
}

QPixmap usersWindow() {
    return illustration(QSize(kSmallWidth, kSmallHeight), false, [](QPainter& p, QRectF area) {
        drawRows(p, area.adjusted(2, 2, -2, -2), 6, [&p](QPointF at) { drawUserMark(p, at); });
    });
}

QPixmap transfersWindow() {
    return illustration(QSize(kSmallWidth, kSmallHeight), false, [](QPainter& p, QRectF area) {
        const qreal widths[] = {0.8, 0.45, 1.0, 0.25, 0.6};
        for (int i = 0; i < int(std::size(widths)); ++i) {
            const QRectF track(area.left() + 6, area.top() + 6 + i * 12, area.width() - 12, 5);
            p.setPen(QPen(palette::kBodyEdge, 0.8));
            p.setBrush(palette::kBody);
            p.drawRoundedRect(track, 2, 2);
            p.setPen(Qt::NoPen);
            p.setBrush(widths[i] >= 1.0 ? palette::kAccentDark : palette::kAccent);
            p.drawRoundedRect(QRectF(track.topLeft(), QSizeF(track.width() * widths[i], 5)), 2, 2);
        }
    });
}

}  // namespace

void addInterfacePictures(Skin& skin) {
    skin.add(pictures::kSingleWindow, singleWindow());
    skin.add(pictures::kUsersWindow, usersWindow());
    skin.add(pictures::kTransfersWindow, transfersWindow());
}

}  // namespace tornel::ui
