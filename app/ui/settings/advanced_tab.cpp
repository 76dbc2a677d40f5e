#include "ui/settings/advanced_tab.h"

namespace tornel::ui {

AdvancedTab::AdvancedTab(QWidget* parent)
    : SettingsPage(parent),
      txtRefreshInt(numberBox(QStringLiteral("txtRefreshInt"))),
      chkHideSystem(checkBox(QStringLiteral("chkHideSystem"),
                             QStringLiteral("Hide system files in file lists"))),
      chkCompression(
          checkBox(QStringLiteral("chkCompression"), QStringLiteral("Enable compression"))),
      chkShowOther(checkBox(QStringLiteral("chkShowOther"),
                            QStringLiteral("Show non-Tornel nodes in list"))) {
    QGridLayout* explore = addSection(QStringLiteral("Explore"));
    explore->addWidget(caption(QStringLiteral("Refresh interval:")), 0, 0);
    explore->addWidget(txtRefreshInt, 0, 1);
    explore->addWidget(caption(QStringLiteral("minutes")), 0, 2);
    explore->setColumnStretch(2, 1);

    QGridLayout* options = addSection(QStringLiteral("Options"));
    options->addWidget(chkHideSystem, 0, 0);
    options->addWidget(chkCompression, 1, 0);
    options->addWidget(chkShowOther, 2, 0);
    finish();
}

}  // namespace tornel::ui
