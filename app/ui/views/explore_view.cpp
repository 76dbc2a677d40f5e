#include "ui/views/explore_view.h"

#include "ui/skin/skin.h"
#include "ui/skinned/button_images.h"

namespace tornel::ui {

ExploreView::ExploreView(ViewSwitcher& switcher)
    : ViewWindow(QStringLiteral("frmMain"), 1, switcher) {
    addActionButtons(QStringLiteral("explore"), exploreButtonTags(),
                     {QStringLiteral("Refresh"), QStringLiteral("Chat"),
                      QStringLiteral("Send File"), QStringLiteral("Download")},
                     {165, 615, 1065, 1515});
    // Nothing is selected yet: only Refresh has something to act on.
    disableButtons(*this);
    setButtonImage(*imgBtn.front(), true, imgBtns, imgDisabled);
}

}  // namespace tornel::ui
