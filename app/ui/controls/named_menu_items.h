#pragma once

#include <QAction>
#include <QMenu>
#include <QString>

namespace tornel::ui {

// Menu entries carry their control name as object name, so tests find them
// with findChild; the menu owns them.
inline QAction* namedMenuItem(QMenu* menu, const QString& name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

inline QAction* namedSeparator(QMenu* menu, const QString& name) {
    QAction* action = menu->addSeparator();
    action->setObjectName(name);
    return action;
}

}  // namespace tornel::ui
