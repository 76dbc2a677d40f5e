#pragma once

#include "ui/settings/settings_page.h"

namespace tornel::ui {

// "Advanced": how often the users are searched for, and the file lists' and
// the network's options.
class AdvancedTab : public SettingsPage {
    Q_OBJECT

  public:
    explicit AdvancedTab(QWidget* parent = nullptr);

    QLineEdit* const txtRefreshInt;
    QCheckBox* const chkHideSystem;
    QCheckBox* const chkCompression;
    QCheckBox* const chkShowOther;
};

}  // namespace tornel::ui
