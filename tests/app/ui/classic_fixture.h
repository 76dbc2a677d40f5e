#pragma once

#include "core/network/node_bring_up.h"
#include "core/state/app_state.h"
#include "core/util/utilities.h"
#include "qellib/qel.h"
#include "qellib/settings.h"
#include "support/file_contents.h"
#include "support/free_port.h"
#include "support/peer_node.h"
#include "support/recording_core.h"
#include "support/scripted_prompts.h"
#include "support/socket_recorder.h"
#include "support/temp_folder.h"
#include "support/wait.h"
#include "support/window_environment.h"
#include "ui/classic/remote_files_window.h"
#include "ui/classic/users_window.h"
#include "ui/ui_shell.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tornel::test {

// A node of another kind (its descriptor chosen), sharing nothing.
class KindNode {
  public:
    KindNode(const std::string& nodeID, const std::string& name, const std::string& descriptor) {
        qel::cSettings settings;
        settings.SaveSetting("nodeID", nodeID);
        settings.SaveSetting("Timeout", int64_t{300});
        node.Initialise(name, port, qel::role_Peer, descriptor, "", settings.getXML());
        node.Listen();
    }
    ~KindNode() { node.shutDown(); }
    std::string address() const { return "127.0.0.1:" + std::to_string(port); }

    int port = freePort();
    qel::cQEL node;
};

// The program's own node in the multiple-windows mode, up on 127.0.0.1 with
// its real windows, and two peers it can connect to: "SHARER" shares the
// folder "pub", "PLAIN" shares nothing. Real time, real widgets offscreen.
class ClassicTest : public ::testing::Test {
  protected:
    ClassicTest() {
        applyWindowLook();
        shell->views().context().screen.setSizeForTest(12000, 9000);
        state.ui.prompts = prompts;
        state.ui.shell = shell;
        state.NewUI = false;
        state.NodeGUID = GUID();
        state.Name = "Tester";
        state.Timeout = 300;
        state.Port = freePort();
        state.DownloadPath = folder.file("Downloads");
        state.ShowTransWindow = false;
        std::filesystem::create_directory(state.DownloadPath);
        initNetwork(state);
        state.started = true;
    }
    ~ClassicTest() override {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
        shell->unloadAll();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.downloads.clear();
        if (state.qelSession) {
            state.qelSession->shutDown();
        }
        // The windows go with `shell`, before the state they use.
        state.ui.shell = std::make_shared<Shell>();
    }

    void connectPeers() {
        for (const PeerNode* peer : {&sharer, &plain}) {
            state.qelSession->Connect(peer->address());
        }
    }

    // pub/top.zip, pub/A/{f1.txt, f2.txt, B/notes.md}.
    bool makeShare() {
        std::filesystem::create_directories(folder.file("pub/A/B"));
        writeFile(folder.file("pub/top.zip"), "zip");
        writeFile(folder.file("pub/A/f1.txt"), f1Bytes);
        writeFile(folder.file("pub/A/f2.txt"), f2Bytes);
        writeFile(folder.file("pub/A/B/notes.md"), "notes");
        return true;
    }

    // The node `nodeID` as the library knows it.
    qel::typNodeInfo known(const std::string& nodeID) {
        const std::vector<qel::typNodeInfo> found = state.qelSession->getNodeInfo(nodeID, true);
        return found.empty() ? qel::typNodeInfo{} : found.front();
    }

    ui::UsersWindow& users() { return shell->classicWindows().frmUsers(); }

    // The open files window of `nodeID`, or null.
    ui::RemoteFilesWindow* filesWindow(const std::string& nodeID) {
        const WindowRef<FilesWindow>* listed = state.filesWindows.find(nodeID);
        return listed ? dynamic_cast<ui::RemoteFilesWindow*>(listed->get()) : nullptr;
    }

    std::string logText() const { return readFile(folder.file("Log.txt")); }

    const std::string f1Bytes = patternBytes(70000, 7);
    const std::string f2Bytes = patternBytes(3000, 3);
    TempFolder folder;
    const bool shareMade = makeShare();
    PeerNode sharer{"SHARER", "Sharing Sam", folder.file("pub")};
    PeerNode plain{"PLAIN", "Plain Pat", ""};
    AppState state{folder.path(), CommandLine()};
    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    RecordingCore core;
    std::shared_ptr<ui::UiShell> shell = std::make_shared<ui::UiShell>(state, core);
};

// Texts of a list's entries, each as Tag ":" text.
inline std::vector<std::string> entries(const ui::FileList& list) {
    std::vector<std::string> shown;
    for (int row = 0; row < list.count(); ++row) {
        const QListWidgetItem* entry = list.item(row);
        shown.push_back(ui::FileList::tag(entry).toStdString() + ":" + ui::FileList::text(entry));
    }
    return shown;
}

// The entry of `list` showing `text`, or null.
inline QListWidgetItem* entryNamed(const ui::FileList& list, const std::string& text) {
    for (int row = 0; row < list.count(); ++row) {
        if (ui::FileList::text(list.item(row)) == text) {
            return list.item(row);
        }
    }
    return nullptr;
}

// Where, in twips of the list's visible area, the middle of `entry` lies.
inline std::pair<double, double> middleOf(const ui::FileList& list, const QListWidgetItem* entry) {
    const QPoint at = list.visualItemRect(entry).center();
    return {ui::pixelsToTwips(at.x()), ui::pixelsToTwips(at.y())};
}

// Whether `icon` shows `picture`.
inline bool shows(const QIcon& icon, const QPixmap& picture) {
    return icon.pixmap(picture.size()).toImage() == picture.toImage();
}

}  // namespace tornel::test
