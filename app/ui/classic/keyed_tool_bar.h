#pragma once

#include "ui/controls/twips_control.h"

#include <QAction>
#include <QToolBar>

#include <initializer_list>

namespace tornel::ui {

// A toolbar of the plain windows whose buttons are actions found by their
// key (each action's object name): icons from the skin, a tool tip each,
// separators where the list holds an empty key. A click reports the key.
class KeyedToolBar : public TwipsControl<QToolBar> {
    Q_OBJECT

  public:
    struct Button {
        QString key;  // empty: a separator
        QString toolTip;
    };

    KeyedToolBar(QWidget* parent, const QString& name, std::initializer_list<Button> buttons);

    // The button `key`, or null.
    QAction* button(const QString& key) const;
    bool isButtonEnabled(const QString& key) const;
    void setButtonEnabled(const QString& key, bool enabled);
    // Every button disabled.
    void disableAll();

    // The toolbar's height, in twips.
    static constexpr Twips kHeight = 420;

  signals:
    void buttonClick(const QString& key);
};

}  // namespace tornel::ui
