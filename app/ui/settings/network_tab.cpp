#include "ui/settings/network_tab.h"

#include "core/log/guarded.h"
#include "core/settings/settings_entries.h"
#include "core/state/app_state.h"
#include "platform/ascii.h"
#include "platform/runtime_error.h"
#include "qellib/discover.h"

#include <QApplication>
#include <QPointer>

#include <memory>
#include <unordered_set>

namespace tornel::ui {

namespace {

constexpr int64_t kSearchMs = 5000;
const QString kFindLocal = QStringLiteral("Find &Local");

// While a search runs, its button says "Searching" and is disabled and the
// pointer is an hourglass; all three come back however the search ends.
class SearchingLook {
  public:
    explicit SearchingLook(QPushButton& button) : button_(&button) {
        button.setText(QStringLiteral("Searching"));
        button.setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~SearchingLook() {
        QApplication::restoreOverrideCursor();
        if (button_) {
            button_->setText(kFindLocal);
            button_->setEnabled(true);
        }
    }
    SearchingLook(const SearchingLook&) = delete;
    SearchingLook& operator=(const SearchingLook&) = delete;

  private:
    QPointer<QPushButton> button_;
};

}  // namespace

NetworkTab::NetworkTab(QWidget* parent, AppState& state)
    : SettingsPage(parent),
      lstServers(listBox(QStringLiteral("lstServers"))),
      cmdAddNode(button(QStringLiteral("cmdAddNode"), QStringLiteral("&Add"))),
      cmdRemoveNode(button(QStringLiteral("cmdRemoveNode"), QStringLiteral("&Remove"))),
      cmdLocal(button(QStringLiteral("cmdLocal"), kFindLocal)),
      txtPort(numberBox(QStringLiteral("txtPort"))),
      txtTimeout(numberBox(QStringLiteral("txtTimeout"))),
      txtFileChunk(numberBox(QStringLiteral("txtFileChunk"))),
      state_(state) {
    QGridLayout* servers = addSection(QStringLiteral("Connect To"));
    lstServers->setMinimumHeight(96);
    servers->addWidget(lstServers, 0, 0, 4, 1);
    servers->addWidget(cmdAddNode, 0, 1);
    servers->addWidget(cmdRemoveNode, 1, 1);
    servers->addWidget(cmdLocal, 2, 1);
    servers->setRowStretch(3, 1);

    QGridLayout* options = addSection(QStringLiteral("Options"));
    const auto row = [options](int at, QWidget* label, QWidget* field, QWidget* after) {
        options->addWidget(label, at, 0);
        options->addWidget(field, at, 1);
        options->addWidget(after, at, 2);
    };
    row(0, caption(QStringLiteral("Listen port:")), txtPort,
        caption(QStringLiteral("(default 20210)")));
    row(1, caption(QStringLiteral("Network timeout:")), txtTimeout, caption(QStringLiteral("ms")));
    row(2, caption(QStringLiteral("File chunk size:")), txtFileChunk,
        caption(QStringLiteral("KB")));
    options->setColumnStretch(2, 1);
    finish(servers);

    connect(cmdAddNode, &QPushButton::clicked, this, &NetworkTab::cmdAddNode_Click);
    connect(cmdRemoveNode, &QPushButton::clicked, this, &NetworkTab::cmdRemoveNode_Click);
    connect(cmdLocal, &QPushButton::clicked, this, &NetworkTab::cmdLocal_Click);
}

void NetworkTab::listServers(const std::vector<std::string>& servers) {
    lstServers->clear();
    for (const std::string& server : servers) {
        addLine(*lstServers, server);
    }
}

void NetworkTab::cmdAddNode_Click() {
    guarded(state_.log, "cmdAddNode_Click", [&] {
        const std::string name =
            state_.ui.prompts->inputBox("Enter the name of the computer to add:", "Add Server", "");
        if (name.empty()) {
            return;
        }
        if (listsServer(servers(), name)) {
            state_.ui.prompts->messageBox("\"" + name + "\" is listed already.", PromptButtons::Ok,
                                          PromptIcon::Exclamation, "Add Server");
            return;
        }
        addLine(*lstServers, name);
    });
}

void NetworkTab::cmdRemoveNode_Click() {
    skipFailure([&] {
        const int row = lstServers->currentRow();
        if (row >= 0) {
            std::unique_ptr<QListWidgetItem> removed(lstServers->takeItem(row));
        }
    });
}

void NetworkTab::cmdLocal_Click() {
    guarded(state_.log, "cmdLocal_Click", [&] {
        const SearchingLook searching(*cmdLocal);
        if (!state_.discovery) {
            throw platform::RuntimeError(platform::rt::ObjectNotSet);
        }
        // Other events run during the search; the list may have changed.
        const QPointer<QListWidget> list(lstServers);
        const qel::StringArray found = state_.discovery->discoverNodes(kSearchMs, "");
        if (!list) {
            return;
        }
        std::unordered_set<std::string> listed;
        for (const std::string& line : linesOf(*list)) {
            listed.insert(platform::asciiLower(line));
        }
        for (size_t x = 1; x < found.size(); ++x) {
            if (!found[x].empty() && listed.insert(platform::asciiLower(found[x])).second) {
                addLine(*list, found[x]);
            }
        }
    });
}

}  // namespace tornel::ui
