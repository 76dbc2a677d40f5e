#include "ui/settings/settings_heading.h"

#include "ui/skin/palette.h"
#include "ui/skin/skin.h"

#include <QLinearGradient>
#include <QPainter>

#include <utility>

namespace tornel::ui {

namespace {

constexpr int kHeight = 54;
constexpr int kMargin = 16;
constexpr int kMarkSize = 22;

QFont titleFont(const QFont& base) {
    QFont font = base;
    font.setPointSize(11);
    font.setBold(true);
    return font;
}

}  // namespace

SettingsHeading::SettingsHeading(QWidget* parent, QString title, QString line)
    : QWidget(parent), title_(std::move(title)), line_(std::move(line)) {
    setFixedHeight(kHeight);
}

QSize SettingsHeading::sizeHint() const {
    return {QWidget::sizeHint().width(), kHeight};
}

void SettingsHeading::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0, palette::kBarTop);
    fill.setColorAt(1, palette::kBarBottom);
    p.fillRect(rect(), fill);
    p.fillRect(QRect(0, height() - 2, width(), 2), palette::kAccent);

    const QPixmap mark = Skin::instance().picture(pictures::kTray22);
    p.drawPixmap(width() - kMargin - kMarkSize, (height() - kMarkSize) / 2, mark);

    const int textWidth = width() - 3 * kMargin - kMarkSize;
    p.setPen(palette::kBarText);
    p.setFont(titleFont(font()));
    p.drawText(QRect(kMargin, 9, textWidth, 20), Qt::AlignLeft | Qt::AlignVCenter, title_);
    QColor soft = palette::kBarText;
    soft.setAlpha(190);
    p.setPen(soft);
    p.setFont(font());
    p.drawText(QRect(kMargin, 29, textWidth, 16), Qt::AlignLeft | Qt::AlignVCenter, line_);
}

}  // namespace tornel::ui
