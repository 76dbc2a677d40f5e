#include "ui/classic/heading_band.h"

#include "ui/classic/classic_look.h"
#include "ui/controls/make_child.h"
#include "ui/skin/classic_skin.h"
#include "ui/skin/palette.h"
#include "ui/skin/skin.h"

#include <algorithm>

namespace tornel::ui {

namespace {

constexpr Twips kTextLeft = 165;
constexpr Twips kTitleHeight = 285;
constexpr Twips kSubtitleHeight = 240;
constexpr Twips kPictureMargin = 165;
constexpr Twips kTitleGap = 100;  // between the texts and the picture

}  // namespace

HeadingBand::HeadingBand(QWidget* parent, Twips top, Twips height, const QString& titleName,
                         const QString& titleText, const QString& subtitleName,
                         const QString& subtitleText)
    : shpTop(makeChild<TwipsControl<QFrame>>(parent, QStringLiteral("shpTop"))),
      Image1(makeChild<PictureBox>(parent, QStringLiteral("Image1"))),
      title(plainLabel(parent, titleName, titleText)),
      subtitle(subtitleName.isEmpty() ? nullptr : plainLabel(parent, subtitleName, subtitleText)),
      fullTitle_(titleText) {
    shpTop->setAutoFillBackground(true);
    QPalette band = shpTop->palette();
    band.setColor(QPalette::Window, Qt::white);
    shpTop->setPalette(band);
    shpTop->setFrameShape(QFrame::NoFrame);
    shpTop->Move(0, top);
    shpTop->setHeight(height);
    shpTop->lower();

    Image1->setPicture(Skin::instance().picture(pictures::kClassicHeading));
    Image1->setTop(top + (height - Image1->Height()) / 2);

    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 1);
    title->setFont(bold);
    const Twips textHeight = kTitleHeight + (subtitle ? kSubtitleHeight : 0);
    const Twips textTop = top + (height - textHeight) / 2;
    placeTwips(*title, kTextLeft, textTop, 4500, kTitleHeight);
    if (subtitle) {
        QPalette grey = subtitle->palette();
        grey.setColor(QPalette::WindowText, palette::kDisabledText);
        subtitle->setPalette(grey);
        placeTwips(*subtitle, kTextLeft, textTop + kTitleHeight, 4500, kSubtitleHeight);
    }
}

void HeadingBand::fit(Twips clientWidth) {
    shpTop->setWidth(clientWidth + 100);
    Image1->setLeft(clientWidth - Image1->Width() - kPictureMargin);
    const Twips textWidth = std::max<Twips>(0, Image1->Left() - title->Left() - kTitleGap);
    title->setWidth(textWidth);
    if (subtitle) {
        subtitle->setWidth(textWidth);
    }
    showTitle();
}

Twips HeadingBand::leastWidthFor(const QString& text) const {
    const Twips textWidth = pixelsToTwips(title->fontMetrics().horizontalAdvance(text) + 2);
    return kTextLeft + textWidth + kTitleGap + Image1->Width() + kPictureMargin;
}

void HeadingBand::setTitle(const QString& text) {
    fullTitle_ = text;
    showTitle();
}

void HeadingBand::showTitle() {
    const QString shown =
        title->fontMetrics().elidedText(fullTitle_, Qt::ElideRight, title->width());
    title->setText(shown);
    title->setToolTip(shown == fullTitle_ ? QString() : fullTitle_);
}

}  // namespace tornel::ui
