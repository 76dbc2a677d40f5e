#include "ui/views/view_window.h"

#include "ui/controls/make_child.h"
#include "ui/skin/skin.h"
#include "ui/skinned/window_context.h"
#include "ui/skinned/window_placement.h"
#include "ui/views/view_switcher.h"

#include <QCloseEvent>

#include <algorithm>

namespace tornel::ui {

namespace {

constexpr Twips kTabTop = 90;
constexpr Twips kTabCaptionHeight = 360;
constexpr Twips kTabCaptionWidth = 1400;
constexpr Twips kButtonTop = 480;
constexpr Twips kTitleButtonsRightMargin = 60;
constexpr Twips kTitleButtonGap = 50;
constexpr Twips kTabClearance = 150;

const QStringList& tabCaptions() {
    static const QStringList captions{QStringLiteral("Explore"), QStringLiteral("Transfers"),
                                      QStringLiteral("Sharing")};
    return captions;
}

}  // namespace

ViewWindow::ViewWindow(const QString& formName, int ownTab, ViewSwitcher& switcher)
    : SkinnedWindow(formName, switcher.context(),
                    Look{{}, QStringLiteral("imgLogo"), pictures::kLogo}),
      switcher_(switcher) {
    setWindowTitle(tabCaptions().value(ownTab - 1));
    setWidth(kDesignWidth);
    setHeight(kDesignHeight);
    buildTabs(ownTab);
    setMinimumSize(twipsToPixels(minimumWidth()), twipsToPixels(kMinimumHeight));
    Form_Load();
    centreOnScreen(*this, context().screen);
}

Twips ViewWindow::minimumWidth() const {
    // The tab strip is centred: each half of the window holds half the strip
    // and, clear of it, the logo on the left or the title buttons on the right.
    const Twips logo = imgLogo->Left() + imgLogo->Width();
    Twips buttons = kTitleButtonsRightMargin;
    for (const PictureBox* button : btnTop) {
        buttons += button->Width() + kTitleButtonGap;
    }
    const Twips strip = imgTab.front()->Width() * Twips(imgTab.size());
    return strip + 2 * (std::max(logo, buttons) + kTabClearance);
}

void ViewWindow::buildTabs(int ownTab) {
    // Element 1 of the strip as designed: a bold caption above its picture.
    auto* image = makeChild<PictureBox>(this, QStringLiteral("imgTab"), 1);
    image->setTop(kTabTop);
    auto* caption = makeChild<Label>(this, QStringLiteral("lblTab"), 1);
    caption->setText(QStringLiteral("Tab"));
    QFont bold = font();
    bold.setBold(true);
    caption->setFont(bold);
    caption->setTop(kTabTop);
    caption->setWidth(kTabCaptionWidth);
    caption->setHeight(kTabCaptionHeight);
    imgTab.push_back(image);
    lblTab.push_back(caption);

    tabs.createTabs(3, *this);
    for (int number = 1; number <= 3; ++number) {
        tabs.item(number).setCaption(tabCaptions().value(number - 1));
        const auto clicked = [this, number] { switcher_.tabClick(number, *this); };
        connect(imgTab[static_cast<size_t>(number - 1)], &PictureBox::click, this, clicked);
        connect(lblTab[static_cast<size_t>(number - 1)], &Label::click, this, clicked);
    }
    tabs.selectTab(tabs.item(ownTab));
}

void ViewWindow::addActionButtons(const QString& set, const QStringList& tags,
                                  const QStringList& toolTips, const std::vector<Twips>& lefts) {
    const Skin& skin = Skin::instance();
    for (const QString& tag : tags) {
        imgBtns.add(skin.picture(buttonPictureName(set, tag, true)));
        imgDisabled.add(skin.picture(buttonPictureName(set, tag, false)));
    }
    for (qsizetype k = 0; k < tags.size(); ++k) {
        PictureBox& button = addActionButton(tags[k], toolTips.value(k));
        button.Move(lefts.at(static_cast<size_t>(k)), kButtonTop);
    }
}

TaskBarProxy* ViewWindow::proxy() {
    return &switcher_.frmHidden();
}

void ViewWindow::closeWindow() {
    switcher_.closeForm(*this);
}

void ViewWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    closeWindow();
}

}  // namespace tornel::ui
