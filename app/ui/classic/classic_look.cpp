#include "ui/classic/classic_look.h"

#include "ui/controls/make_child.h"

namespace tornel::ui {

Label* plainLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = makeChild<Label>(parent, name);
    label->setText(text);
    return label;
}

}  // namespace tornel::ui
