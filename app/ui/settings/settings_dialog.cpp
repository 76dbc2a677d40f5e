#include "ui/settings/settings_dialog.h"

#include "core/log/guarded.h"
#include "core/settings/apply_settings.h"
#include "core/state/app_state.h"
#include "ui/controls/make_child.h"
#include "ui/settings/advanced_tab.h"
#include "ui/settings/downloads_tab.h"
#include "ui/settings/general_tab.h"
#include "ui/settings/interface_tab.h"
#include "ui/settings/network_tab.h"
#include "ui/settings/settings_heading.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QShortcut>
#include <QVBoxLayout>

#include <utility>
#include <variant>

namespace tornel::ui {

namespace {

constexpr int kMargin = 12;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

std::string text(const QLineEdit* box) {
    return box->text().toStdString();
}

QPushButton* dialogButton(QWidget* parent, const QString& name, const QString& caption) {
    QPushButton* made = makeChild<QPushButton>(parent);
    made->setObjectName(name);
    made->setText(caption);
    made->setMinimumWidth(84);
    return made;
}

template <class Tab, class... Args>
Tab* addTab(QTabWidget* tabs, const QString& title, Args&&... args) {
    Tab* tab = makeChild<Tab>(tabs, std::forward<Args>(args)...);
    tabs->addTab(tab, title);
    return tab;
}

}  // namespace

SettingsDialog::SettingsDialog(QWidget* parent, AppState& state, ViewSwitcher& views)
    : QWidget(parent),
      heading(makeChild<SettingsHeading>(this, QStringLiteral("Edit Settings"),
                                         QStringLiteral("Configuration and connection options"))),
      tabSettings(makeChild<QTabWidget>(this)),
      general(addTab<GeneralTab>(tabSettings, QStringLiteral("General"), state, views)),
      downloads(addTab<DownloadsTab>(tabSettings, QStringLiteral("Downloads"), state)),
      network(addTab<NetworkTab>(tabSettings, QStringLiteral("Network"), state)),
      interfaceTab(addTab<InterfaceTab>(tabSettings, QStringLiteral("Interface"))),
      advanced(addTab<AdvancedTab>(tabSettings, QStringLiteral("Advanced"))),
      cmdOK(dialogButton(this, QStringLiteral("cmdOK"), QStringLiteral("&OK"))),
      cmdCancel(dialogButton(this, QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"))),
      state_(state) {
    tabSettings->setObjectName(QStringLiteral("tabSettings"));

    auto* column = makeChild<QVBoxLayout>(this);
    column->setContentsMargins(0, 0, 0, kMargin);
    column->setSpacing(kMargin);
    column->addWidget(heading);
    QWidget* body = makeChild<QWidget>(this);
    auto* bodyColumn = makeChild<QVBoxLayout>(body);
    bodyColumn->setContentsMargins(kMargin, 0, kMargin, 0);
    bodyColumn->setSpacing(kMargin);
    bodyColumn->addWidget(tabSettings, 1);
    QWidget* buttons = makeChild<QWidget>(body);
    auto* buttonRow = makeChild<QHBoxLayout>(buttons);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->addStretch(1);
    buttonRow->addWidget(cmdOK);
    buttonRow->addWidget(cmdCancel);
    bodyColumn->addWidget(buttons);
    column->addWidget(body, 1);

    connect(cmdOK, &QPushButton::clicked, this, &SettingsDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &SettingsDialog::cmdCancel_Click);
    auto* escape = makeChild<QShortcut>(this);
    escape->setKey(QKeySequence(Qt::Key_Escape));
    connect(escape, &QShortcut::activated, this, &SettingsDialog::cmdCancel_Click);
}

void SettingsDialog::fill() {
    const SettingsEntries settings = entriesOf(state_);
    general->txtName->setText(qt(settings.Name));
    network->txtTimeout->setText(qt(settings.Timeout));
    network->txtPort->setText(qt(settings.Port));
    advanced->chkHideSystem->setChecked(settings.HideSystemFiles);
    advanced->chkCompression->setChecked(settings.Compression);
    downloads->txtMaxDL->setText(qt(settings.MaxDL));
    network->txtFileChunk->setText(qt(settings.FileChunk));
    downloads->txtDownloads->setText(qt(settings.DownloadPath));
    downloads->chkDLWindow->setChecked(settings.ShowDLWindow);
    downloads->chkTransWindow->setChecked(settings.ShowTransWindow);
    interfaceTab->optIntNew->setChecked(settings.NewUI);
    interfaceTab->optIntStd->setChecked(!settings.NewUI);
    advanced->chkShowOther->setChecked(settings.ShowOther);
    advanced->txtRefreshInt->setText(qt(settings.refreshMinutes));
    network->listServers(settings.servers);
    general->listIDs();
}

SettingsEntries SettingsDialog::entries() const {
    SettingsEntries read;
    read.Name = text(general->txtName);
    read.Port = text(network->txtPort);
    read.Timeout = text(network->txtTimeout);
    read.NewUI = interfaceTab->optIntNew->isChecked();
    read.ShowOther = advanced->chkShowOther->isChecked();
    read.HideSystemFiles = advanced->chkHideSystem->isChecked();
    read.Compression = advanced->chkCompression->isChecked();
    read.DownloadPath = text(downloads->txtDownloads);
    read.ShowDLWindow = downloads->chkDLWindow->isChecked();
    read.ShowTransWindow = downloads->chkTransWindow->isChecked();
    read.refreshMinutes = text(advanced->txtRefreshInt);
    read.MaxDL = text(downloads->txtMaxDL);
    read.FileChunk = text(network->txtFileChunk);
    read.servers = network->servers();
    return read;
}

void SettingsDialog::cmdOK_Click() {
    guarded(state_.log, "cmdOK_Click", [&] {
        const auto confirmed = confirmEntries(entries());
        if (const auto* refused = std::get_if<RefusedEntry>(&confirmed)) {
            refuse(*refused);
            return;
        }
        window()->hide();
        applySettings(state_, std::get<ConfirmedSettings>(confirmed));
    });
}

void SettingsDialog::cmdCancel_Click() {
    window()->hide();
}

void SettingsDialog::refuse(const RefusedEntry& refused) {
    QWidget* control = controlOf(refused.field);
    for (QWidget* at = control; at; at = at->parentWidget()) {
        if (const int index = tabSettings->indexOf(at); index >= 0) {
            tabSettings->setCurrentIndex(index);
            break;
        }
    }
    control->setFocus();
    if (auto* box = qobject_cast<QLineEdit*>(control)) {
        box->selectAll();
    }
    state_.ui.prompts->messageBox(refused.message, PromptButtons::Ok, PromptIcon::Exclamation,
                                  "Settings");
}

QWidget* SettingsDialog::controlOf(RefusedEntry::Field field) const {
    using Field = RefusedEntry::Field;
    switch (field) {
        case Field::MaxDL:
            return downloads->txtMaxDL;
        case Field::Servers:
            return network->lstServers;
        case Field::Port:
            return network->txtPort;
        case Field::Timeout:
            return network->txtTimeout;
        case Field::FileChunk:
            return network->txtFileChunk;
        case Field::RefreshInterval:
            break;
    }
    return advanced->txtRefreshInt;
}

}  // namespace tornel::ui
