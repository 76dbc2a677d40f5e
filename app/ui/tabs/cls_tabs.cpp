#include "ui/tabs/cls_tabs.h"

#include "ui/controls/label.h"
#include "ui/controls/make_child.h"
#include "ui/controls/picture_box.h"
#include "ui/skin/palette.h"
#include "ui/skinned/skinned_window.h"

namespace tornel::ui {

namespace {

constexpr Twips kCaptionIndent = 130;

template <class Control>
void removeSurplus(std::vector<Control*>& elements, size_t keep) {
    while (elements.size() > keep) {
        elements.back()->hide();
        elements.back()->deleteLater();
        elements.pop_back();
    }
}

// Tab captions: plain dark text on the light tabs, centred in height.
void styleCaption(Label& label, const Label* design) {
    label.setFont(design ? design->font() : label.font());
    QPalette colours = label.palette();
    colours.setColor(QPalette::WindowText, palette::kText);
    label.setPalette(colours);
    label.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

}  // namespace

void clsTabs::createTabs(int tabCount, SkinnedWindow& Owner) {
    ownerFrm = &Owner;
    const size_t count = static_cast<size_t>(std::max(tabCount, 0));
    removeSurplus(Owner.imgTab, count);
    removeSurplus(Owner.lblTab, count);
    tabItems.clear();
    for (size_t i = 1; i <= count; ++i) {
        if (i > Owner.imgTab.size()) {
            const Label* design = Owner.lblTab.empty() ? nullptr : Owner.lblTab.front();
            auto* image = makeChild<PictureBox>(&Owner, QStringLiteral("imgTab"), int(i));
            auto* label = makeChild<Label>(&Owner, QStringLiteral("lblTab"), int(i));
            styleCaption(*label, design);
            if (design) {
                label->setTop(design->Top());
                label->setWidth(design->Width());
                label->setHeight(design->Height());
            }
            Owner.imgTab.push_back(image);
            Owner.lblTab.push_back(label);
            if (i > 1) {
                image->raise();
                label->raise();
                label->show();
                image->show();
            }
        }
        auto tab = std::make_unique<clsTab>();
        tab->Create(this, Owner.imgTab[i - 1], Owner.lblTab[i - 1]);
        tabItems.push_back(std::move(tab));
    }
    positionTabs();
    if (!tabItems.empty()) {
        selectTab(*tabItems.front());
    }
}

void clsTabs::positionTabs() {
    if (!ownerFrm || tabItems.empty() || !tabItems.front()->img()) {
        return;
    }
    const auto n = static_cast<Twips>(tabItems.size());
    PictureBox* previous = nullptr;
    for (const auto& tab : tabItems) {
        PictureBox* image = tab->img();
        if (!image) {
            continue;
        }
        if (!previous) {
            image->setLeft(ownerFrm->Width() / 2 - (image->Width() * n) / 2);
        } else {
            image->setLeft(previous->Left() + previous->Width());
            image->setTop(previous->Top());
        }
        if (Label* label = tab->lbl()) {
            label->setLeft(image->Left() + kCaptionIndent);
        }
        previous = image;
    }
}

void clsTabs::selectTab(clsTab& sTab) {
    for (const auto& tab : tabItems) {
        tab->setSelected(false);
    }
    sTab.setSelected(true);
}

}  // namespace tornel::ui
