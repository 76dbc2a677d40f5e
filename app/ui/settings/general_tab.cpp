#include "ui/settings/general_tab.h"

#include "core/log/guarded.h"
#include "core/permissions/grant_name.h"
#include "core/state/app_state.h"
#include "ui/views/view_switcher.h"

namespace tornel::ui {

GeneralTab::GeneralTab(QWidget* parent, AppState& state, ViewSwitcher& views)
    : SettingsPage(parent),
      txtName(textBox(QStringLiteral("txtName"))),
      lstAllowed(listBox(QStringLiteral("lstAllowed"))),
      cmdRemoveAllowed(button(QStringLiteral("cmdRemoveAllowed"), QStringLiteral("&Remove"))),
      cmdShared(button(QStringLiteral("cmdShared"), QStringLiteral("C&hange"))),
      state_(state),
      views_(views) {
    QGridLayout* name = addSection({});
    name->addWidget(caption(QStringLiteral("Choose a name to display when requesting files:")), 0,
                    0);
    name->addWidget(txtName, 1, 0);

    QGridLayout* allowed =
        addSection(QStringLiteral("Allowed Users"), QStringLiteral("  (always have permission)"));
    lstAllowed->setMinimumHeight(96);
    allowed->addWidget(lstAllowed, 0, 0, 2, 1);
    allowed->addWidget(cmdRemoveAllowed, 0, 1, Qt::AlignTop);
    allowed->setRowStretch(1, 1);

    QGridLayout* shared = addSection(QStringLiteral("Shared Folders"));
    shared->addWidget(caption(QStringLiteral("Choose the folders on your computer to share.")), 0,
                      0);
    shared->addWidget(cmdShared, 0, 1);
    shared->setColumnStretch(0, 1);
    finish(allowed);

    connect(cmdRemoveAllowed, &QPushButton::clicked, this, &GeneralTab::cmdRemoveAllowed_Click);
    connect(cmdShared, &QPushButton::clicked, this, &GeneralTab::cmdShared_Click);
}

void GeneralTab::listIDs() {
    lstAllowed->clear();
    for (const auto& entry : state_.allowedIDs) {
        addLine(*lstAllowed, grantName(state_, *entry.item));
    }
}

void GeneralTab::cmdRemoveAllowed_Click() {
    guarded(state_.log, "cmdRemoveAllowed_Click", [&] {
        const int row = lstAllowed->currentRow();
        if (row < 0) {
            return;
        }
        state_.allowedIDs.remove(size_t(row) + 1);
        listIDs();
    });
}

void GeneralTab::cmdShared_Click() {
    skipFailure([&] { views_.showSharing(); });
}

}  // namespace tornel::ui
