#include "ui/views/transfers_view.h"

#include "ui/skin/skin.h"
#include "ui/skinned/button_images.h"

namespace tornel::ui {

TransfersView::TransfersView(ViewSwitcher& switcher)
    : ViewWindow(QStringLiteral("frmTrans"), 2, switcher) {
    addActionButtons(QStringLiteral("transfers"), transferButtonTags(),
                     {QStringLiteral("Status Window"), QStringLiteral("Stop Transfer"),
                      QStringLiteral("Open File"), QStringLiteral("Open Folder"),
                      QStringLiteral("Delete File"), QStringLiteral("Clear Inactive"),
                      QStringLiteral("Chat with Sender"), QStringLiteral("Resume Transfer")},
                     {170, 650, 2160, 2640, 3120, 3705, 1605, 1125});
    // No transfer is selected yet.
    disableButtons(*this);
}

}  // namespace tornel::ui
