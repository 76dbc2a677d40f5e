#include "ui/classic/classic_look.h"

#include "ui/controls/make_child.h"
#include "ui/skin/palette.h"

namespace tornel::ui {

Label* plainLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = makeChild<Label>(parent, name);
    label->setText(text);
    return label;
}

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
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::WindowText, Qt::black);
    }
    link.setPalette(colours);
    link.setEnabled(false);
}

}  // namespace tornel::ui
