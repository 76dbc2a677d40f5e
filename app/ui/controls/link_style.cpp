#include "ui/controls/link_style.h"

#include "ui/controls/label.h"
#include "ui/skin/palette.h"

namespace tornel::ui {

void styleLink(Label& link) {
    QFont font = link.font();
    font.setUnderline(true);
    link.setFont(font);
    link.setCursor(Qt::PointingHandCursor);
    QPalette colours = link.palette();
    colours.setColor(QPalette::WindowText, palette::kAccentDark);
    link.setPalette(colours);
}

void styleDeadLink(Label& link) {
    QFont font = link.font();
    font.setUnderline(false);
    link.setFont(font);
    link.unsetCursor();
    QPalette colours = link.palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::WindowText, Qt::black);
    }
    link.setPalette(colours);
    link.setEnabled(false);
}

}  // namespace tornel::ui
