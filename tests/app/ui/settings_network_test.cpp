#include "core/network/connections.h"
#include "core/network/node_bring_up.h"
#include "core/state/app_state.h"
#include "core/util/utilities.h"
#include "platform/event_loop.h"
#include "qellib/qel.h"
#include "qellib/settings.h"
#include "support/file_contents.h"
#include "support/free_port.h"
#include "support/recording_core.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"
#include "support/wait.h"
#include "support/window_environment.h"
#include "ui/settings/general_tab.h"
#include "ui/settings/network_tab.h"
#include "ui/settings/settings_dialog.h"
#include "ui/settings/settings_window.h"
#include "ui/skinned/window_context.h"
#include "ui/views/view_switcher.h"

#include <QDir>
#include <QHostAddress>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace tornel::test {
namespace {

// A node at the other end, on 127.0.0.1, counting its connections.
class PeerEvents : public qel::cQELEvents {
  public:
    void connectionEstab(std::string&, qel::enmConMode&, std::string&) override { ++established; }
    void connectionClosed(std::string&, std::string&, std::string&) override { ++closed; }
    void FileReceived(std::string&, std::string& data, std::shared_ptr<qel::cXRange>&,
                      qel::enmFileStatus& status, qel::Variant&) override {
        received += data;
        lastStatus = status;
    }
    int established = 0;
    int closed = 0;
    std::string received;
    qel::enmFileStatus lastStatus = qel::FS_Transferring;
};

// Confirmation prompts that count the questions and answer none (a refusal).
class CountingConfirmPrompts : public ConfirmPrompts {
  public:
    WindowRef<ConfirmPrompt> loadConfirm(const std::string&, const std::string&,
                                         const std::string&) override {
        ++asked;
        return {};
    }
    int asked = 0;
};

struct Peer {
    explicit Peer(const std::string& id) {
        qel::cSettings settings;
        settings.SaveSetting("nodeID", id);
        settings.SaveSetting("Timeout", int64_t{300});
        node.Initialise("Peer " + id, port, qel::role_Peer, "PEER", "", settings.getXML());
        node.Listen();
    }
    ~Peer() { node.shutDown(); }
    std::string address() const { return "127.0.0.1:" + std::to_string(port); }

    std::shared_ptr<PeerEvents> events = std::make_shared<PeerEvents>();
    int port = freePort();
    qel::cQEL node{events};
};

// The program's node on 127.0.0.1 behind the settings window, with the real
// clock: the library's waits run in real time.
class SettingsNetworkTest : public ::testing::Test {
  protected:
    SettingsNetworkTest() {
        applyWindowLook();
        state.ui.prompts = prompts;
        state.NodeGUID = GUID();
        state.Name = "Tester";
        state.Timeout = 300;
        state.Port = freePort();
    }
    ~SettingsNetworkTest() override {
        if (state.qelSession) {
            state.qelSession->shutDown();
        }
    }

    void bringUp() {
        initNetwork(state);
        shareFolders(state);
        connectTo(state);
    }

    ui::NetworkTab& network() { return *settings.dialog->network; }

    // Whether a peer reaches this node at `port` (an empty ID when not).
    static bool reachable(Peer& peer, int port) {
        const std::string id = peer.node.Connect("127.0.0.1:" + std::to_string(port));
        if (id.empty()) {
            return false;
        }
        peer.node.disconnectByID(id);
        return true;
    }

    TempFolder folder;
    AppState state{folder.path(), CommandLine()};
    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    ui::WindowContext context{state.windowSettings};
    RecordingCore core;
    ui::ViewSwitcher views{state, context, core};
    ui::SettingsWindow settings{state, views, core};
};

TEST_F(SettingsNetworkTest, APortChangeListensOnTheNewPortAndOnlyThere) {
    bringUp();
    Peer peer("PEER");
    const int oldPort = int(state.Port);
    ASSERT_TRUE(reachable(peer, oldPort));
    const int newPort = freePort();
    settings.mnuSettings_Click();
    network().txtPort->setText(QString::number(newPort));
    settings.dialog->cmdOK_Click();
    EXPECT_EQ(state.Port, newPort);
    EXPECT_TRUE(reachable(peer, newPort));
    EXPECT_FALSE(reachable(peer, oldPort));

    // The same port again: the node listens there once more.
    settings.mnuSettings_Click();
    settings.dialog->cmdOK_Click();
    EXPECT_TRUE(reachable(peer, newPort));
}

TEST_F(SettingsNetworkTest, ANameChangeReachesAPeersNodeInformation) {
    Peer peer("PEER");
    state.serverList.add(peer.address(), peer.address());
    bringUp();
    ASSERT_TRUE(waitUntil([&] { return peer.events->established == 1; }));
    settings.mnuSettings_Click();
    settings.dialog->general->txtName->setText("Renamed Tester");
    settings.dialog->cmdOK_Click();
    EXPECT_TRUE(waitUntil([&] {
        const auto info = peer.node.getNodeInfo(state.NodeGUID, false);
        return !info.empty() && info[0].Name == "Renamed Tester";
    }));
}

TEST_F(SettingsNetworkTest, ServersAddedAreConnectedAndServersRemovedAreLetGo) {
    Peer kept("KEPT");
    Peer dropped("DROPPED");
    Peer added("ADDED");
    state.serverList.add(kept.address(), kept.address());
    state.serverList.add(dropped.address(), dropped.address());
    bringUp();
    ASSERT_TRUE(waitUntil(
        [&] { return kept.events->established == 1 && dropped.events->established == 1; }));

    settings.mnuSettings_Click();
    network().lstServers->setCurrentRow(1);
    network().cmdRemoveNode->click();
    prompts->texts = {added.address()};
    network().cmdAddNode->click();
    settings.dialog->cmdOK_Click();

    EXPECT_EQ(state.serverList.snapshot(),
              (std::vector<std::string>{kept.address(), added.address()}));
    EXPECT_TRUE(waitUntil([&] { return added.events->established == 1; }));
    EXPECT_TRUE(waitUntil([&] { return dropped.events->closed == 1; }));
    // The dropped server is not retried; the kept one was never let go.
    EXPECT_FALSE(waitUntil([&] { return dropped.events->established > 1; }, 800));
    EXPECT_EQ(kept.events->closed, 0);
}

TEST_F(SettingsNetworkTest, AnAllowedUserDownloadsWithoutAPromptUntilRemovedInTheDialog) {
    const std::string shared = folder.file("shared");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(shared)));
    writeFile(shared + "/a.txt", "hello");
    state.sharedFolders.add(shared, shared);
    auto confirm = std::make_shared<CountingConfirmPrompts>();
    state.ui.confirm = confirm;
    state.allowedIDs.add(std::make_shared<cAllowedID>(cAllowedID{"PEER", 0, true, "Peer"}));
    Peer peer("PEER");
    bringUp();
    // The peer connects to this node: over a connection that this node opens
    // to a server, the library cancels a served download as unroutable.
    ASSERT_FALSE(peer.node.Connect("127.0.0.1:" + std::to_string(state.Port), false, true).empty());
    ASSERT_TRUE(waitUntil([&] {
        const auto info = peer.node.getNodeInfo(state.NodeGUID, true);
        return !info.empty() && !info[0].ID.empty();
    }));
    const auto download = [&] {
        peer.events->received.clear();
        peer.events->lastStatus = qel::FS_Transferring;
        peer.node.requestFile("\\a.txt", state.NodeGUID, nullptr, std::string("PEER"));
        return waitUntil([&] { return peer.events->lastStatus != qel::FS_Transferring; });
    };

    settings.mnuSettings_Click();
    ASSERT_EQ(settings.dialog->general->lstAllowed->count(), 1);
    EXPECT_EQ(settings.dialog->general->lstAllowed->item(0)->text(), "Peer");
    ASSERT_TRUE(download());
    EXPECT_EQ(peer.events->lastStatus, qel::FS_Complete);
    EXPECT_EQ(peer.events->received, "hello");
    EXPECT_EQ(confirm->asked, 0);

    // Removed in the dialog (and kept removed on Cancel), the user is asked again.
    settings.dialog->general->lstAllowed->setCurrentRow(0);
    settings.dialog->general->cmdRemoveAllowed->click();
    settings.dialog->cmdCancel_Click();
    ASSERT_TRUE(download());
    EXPECT_EQ(confirm->asked, 1);
    EXPECT_EQ(peer.events->lastStatus, qel::FS_Canceled);
    EXPECT_EQ(peer.events->received, "");
}

TEST_F(SettingsNetworkTest, FindLocalAddsTheNodesHeardOnceAndComesBack) {
    bringUp();
    ASSERT_TRUE(state.discovery);
    settings.mnuSettings_Click();
    network().listServers({"127.0.0.3:20210"});

    // The search's broadcast never leaves loopback here; nodes "answer" by
    // announcing themselves to this node's UDP port, and the clock jumps to
    // the end of the search.
    platform::ScopedTestClock clock;
    QUdpSocket raw;
    ASSERT_TRUE(raw.bind(QHostAddress::LocalHost, 0));
    const auto announce = [&](const std::string& address) {
        const std::string datagram = "DISCOVER " + address + " QEL/2.1\r\n\r\n";
        raw.writeDatagram(datagram.data(), qint64(datagram.size()), QHostAddress::LocalHost,
                          quint16(state.Port + 1));
    };
    bool searchingShown = false;
    QTimer::singleShot(50, [&] {
        searchingShown = network().cmdLocal->text() == "Searching" &&
                         !network().cmdLocal->isEnabled() && QApplication::overrideCursor();
        announce("127.0.0.2:20210");
        announce("127.0.0.3:20210");
        announce("127.0.0.2:20210");
    });
    QTimer::singleShot(400, [&] { clock.advance(6000); });
    network().cmdLocal->click();

    EXPECT_TRUE(searchingShown);
    std::vector<std::string> lines;
    for (int row = 0; row < network().lstServers->count(); ++row) {
        lines.push_back(network().lstServers->item(row)->text().toStdString());
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"127.0.0.3:20210", "127.0.0.2:20210"}));
    EXPECT_EQ(network().cmdLocal->text(), "Find &Local");
    EXPECT_TRUE(network().cmdLocal->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace tornel::test
