#include "ui/settings/downloads_tab.h"

#include "core/log/guarded.h"
#include "core/state/app_state.h"

namespace tornel::ui {

DownloadsTab::DownloadsTab(QWidget* parent, AppState& state)
    : SettingsPage(parent),
      txtDownloads(textBox(QStringLiteral("txtDownloads"))),
      cmdBrowse(button(QStringLiteral("cmdBrowse"), QStringLiteral("&Browse"))),
      txtMaxDL(numberBox(QStringLiteral("txtMaxDL"))),
      chkDLWindow(checkBox(QStringLiteral("chkDLWindow"),
                           QStringLiteral("Show individual download status"))),
      chkTransWindow(
          checkBox(QStringLiteral("chkTransWindow"), QStringLiteral("Display Transfer list"))),
      state_(state) {
    QGridLayout* downloads = addSection(QStringLiteral("New Downloads"));
    downloads->addWidget(caption(QStringLiteral("Downloads folder:")), 0, 0, 1, 2);
    downloads->addWidget(txtDownloads, 1, 0, 1, 2);
    downloads->addWidget(cmdBrowse, 1, 2);
    downloads->addWidget(caption(QStringLiteral("Maximum simultaneous downloads:")), 2, 0);
    downloads->addWidget(txtMaxDL, 2, 1, Qt::AlignLeft);
    downloads->setColumnStretch(1, 1);

    QGridLayout* options = addSection(QStringLiteral("Options"));
    options->addWidget(chkDLWindow, 0, 0);
    options->addWidget(chkTransWindow, 1, 0);
    finish();

    connect(cmdBrowse, &QPushButton::clicked, this, &DownloadsTab::cmdBrowse_Click);
}

void DownloadsTab::cmdBrowse_Click() {
    guarded(state_.log, "cmdBrowse_Click", [&] {
        // The picker opens at the folder the field holds.
        const std::string folder = state_.ui.prompts->browseFolder(
            "Choose the destination folder for downloads.", txtDownloads->text().toStdString());
        if (!folder.empty()) {
            txtDownloads->setText(QString::fromStdString(folder));
        }
    });
}

}  // namespace tornel::ui
