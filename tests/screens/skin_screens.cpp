#include "screens/screens.h"
#include "ui/skin/palette.h"
#include "ui/skin/skin.h"

#include <QFontMetrics>
#include <QPainter>

namespace tornel::screens {

namespace {

constexpr int kColumns = 6;
constexpr int kCell = 150;
constexpr int kRow = 110;
constexpr int kScale = 2;

// Each picture at twice its size with its name under it; wide pictures are
// shown at their own size so the sheet stays readable.
QPixmap skinSheet() {
    const ui::Skin& skin = ui::Skin::instance();
    const QStringList names = skin.names();
    const int rows = (int(names.size()) + kColumns - 1) / kColumns;
    QPixmap sheet(kColumns * kCell, rows * kRow);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    QFont small = painter.font();
    small.setPointSize(7);
    painter.setFont(small);
    for (int i = 0; i < int(names.size()); ++i) {
        const QRect cell((i % kColumns) * kCell, (i / kColumns) * kRow, kCell, kRow);
        QPixmap picture = skin.picture(names[i]);
        if (picture.width() * kScale <= kCell - 10 && picture.height() * kScale <= kRow - 30) {
            picture = picture.scaled(picture.size() * kScale);
        }
        const QPoint at(cell.left() + (kCell - picture.width()) / 2,
                        cell.top() + (kRow - 24 - picture.height()) / 2);
        // Pictures made for the title bar are shown on it.
        const bool onBar =
            names[i].startsWith(QLatin1String("title.")) ||
            QStringList{ui::pictures::kLogo, ui::pictures::kChatLogo, ui::pictures::kButtonMin,
                        ui::pictures::kButtonMax, ui::pictures::kButtonClose}
                .contains(names[i]);
        painter.fillRect(QRect(at, picture.size()).adjusted(-2, -2, 2, 2),
                         onBar ? ui::palette::kBarBottom : ui::palette::kBody);
        painter.drawPixmap(at, picture);
        painter.setPen(ui::palette::kText);
        painter.drawText(cell.adjusted(2, kRow - 22, -2, 0), Qt::AlignHCenter | Qt::AlignTop,
                         names[i]);
    }
    return sheet;
}

}  // namespace

void skinScreens(ScreenSet& set) {
    set.shots.save(QStringLiteral("skin-sheet"), skinSheet());
    const ui::Skin& skin = ui::Skin::instance();
    set.shots.save(QStringLiteral("tray-icon-16"), skin.picture(ui::pictures::kTray16));
    set.shots.save(QStringLiteral("tray-icon-22"), skin.picture(ui::pictures::kTray22));
    set.shots.save(QStringLiteral("tray-icon-pressed-22"),
                   skin.picture(ui::pictures::kTrayPressed22));
}

}  // namespace tornel::screens
