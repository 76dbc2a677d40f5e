#pragma once

#include "ui/settings/settings_page.h"

#include <string>
#include <vector>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

// "Network": the servers to connect to (a copy that becomes the server list
// on OK), the listen port, the network time-out and the file chunk size.
class NetworkTab : public SettingsPage {
    Q_OBJECT

  public:
    NetworkTab(QWidget* parent, AppState& state);

    QListWidget* const lstServers;
    QPushButton* const cmdAddNode;
    QPushButton* const cmdRemoveNode;
    QPushButton* const cmdLocal;
    QLineEdit* const txtPort;
    QLineEdit* const txtTimeout;
    QLineEdit* const txtFileChunk;

    // Shows `servers`, one line each, in order.
    void listServers(const std::vector<std::string>& servers);
    std::vector<std::string> servers() const { return linesOf(*lstServers); }

    // Asks for a computer's name and adds it unless it is listed already.
    void cmdAddNode_Click();
    void cmdRemoveNode_Click();
    // Searches the local network for 5000 ms and adds every node found
    // that is not listed yet.
    void cmdLocal_Click();

  private:
    AppState& state_;
};

}  // namespace tornel::ui
