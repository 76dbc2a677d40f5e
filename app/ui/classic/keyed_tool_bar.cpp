#include "ui/classic/keyed_tool_bar.h"

#include "ui/skin/classic_skin.h"

namespace tornel::ui {

KeyedToolBar::KeyedToolBar(QWidget* parent, const QString& name,
                           std::initializer_list<Button> buttons)
    : TwipsControl<QToolBar>(parent, name) {
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const Button& spec : buttons) {
        if (spec.key.isEmpty()) {
            addSeparator();
            continue;
        }
        QAction* action = addAction(classicToolIcon(spec.key), spec.toolTip);
        action->setObjectName(spec.key);
        action->setToolTip(spec.toolTip);
        connect(action, &QAction::triggered, this,
                [this, key = spec.key] { emit buttonClick(key); });
    }
    setHeight(kHeight);
}

QAction* KeyedToolBar::button(const QString& key) const {
    for (QAction* action : actions()) {
        if (action->objectName() == key) {
            return action;
        }
    }
    return nullptr;
}

bool KeyedToolBar::isButtonEnabled(const QString& key) const {
    const QAction* action = button(key);
    return action && action->isEnabled();
}

void KeyedToolBar::setButtonEnabled(const QString& key, bool enabled) {
    if (QAction* action = button(key); action && action->isEnabled() != enabled) {
        action->setEnabled(enabled);
    }
}

void KeyedToolBar::disableAll() {
    for (QAction* action : actions()) {
        if (!action->isSeparator()) {
            action->setEnabled(false);
        }
    }
}

}  // namespace tornel::ui
