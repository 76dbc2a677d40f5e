#pragma once

#include "core/network/node_bring_up.h"
#include "core/state/app_state.h"
#include "core/util/utilities.h"
#include "support/file_contents.h"
#include "support/free_port.h"
#include "support/peer_node.h"
#include "support/recording_core.h"
#include "support/scripted_prompts.h"
#include "support/socket_recorder.h"
#include "support/temp_folder.h"
#include "support/wait.h"
#include "support/window_environment.h"
#include "ui/skinned/window_context.h"
#include "ui/views/view_switcher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tornel::test {

// A shell that records the chats the windows open.
class ChatShell : public Shell {
  public:
    std::vector<std::string> chats;
    void newConv(const qel::typNodeInfo& node) override { chats.push_back(node.ID); }
};

// The Explore view of the program's own node, which is up and connected to
// two peers on 127.0.0.1: "SHARER" shares the folder "pub", "PLAIN" shares
// nothing. Real time (the library's waits run), real widgets offscreen.
class ExploreTest : public ::testing::Test {
  protected:
    ExploreTest() {
        applyWindowLook();
        context.screen.setSizeForTest(12000, 9000);
        state.ui.prompts = prompts;
        state.ui.shell = shell;
        state.NodeGUID = GUID();
        state.Name = "Tester";
        state.Timeout = 300;
        state.Port = freePort();
        state.DownloadPath = folder.file("Downloads");
        state.ShowTransWindow = false;
        std::filesystem::create_directory(state.DownloadPath);
        initNetwork(state);
        state.started = true;
        for (const PeerNode* peer : {&sharer, &plain}) {
            state.qelSession->Connect(peer->address());
        }
    }
    ~ExploreTest() override {
        state.downloads.clear();
        if (state.qelSession) {
            state.qelSession->shutDown();
        }
    }

    // pub/top.zip, pub/A/{photo.png, README, Thumbs.db, B/F.txt, B/notes.md, C/c.txt},
    // pub/sys/RECYCLER/x.txt.
    bool makeShare() {
        for (const char* dir : {"pub/A/B", "pub/A/C", "pub/sys/RECYCLER"}) {
            std::filesystem::create_directories(folder.file(dir));
        }
        for (const char* name :
             {"pub/top.zip", "pub/A/photo.png", "pub/A/README", "pub/A/Thumbs.db",
              "pub/A/B/notes.md", "pub/A/C/c.txt", "pub/sys/RECYCLER/x.txt"}) {
            writeFile(folder.file(name), name);
        }
        writeFile(folder.file("pub/A/B/F.txt"), fileBytes);
        return true;
    }

    ui::ExploreView& explore() { return views.frmMain(); }
    ui::KeyedTree& tree() { return *explore().tvLeft; }
    ui::FileList& list() { return *explore().lstFiles; }

    // A users search that waits until both peers are listed.
    void searchUsers() {
        explore().showUsers();
        ASSERT_TRUE(waitUntil([&] { return tree().node("user_PLAIN") && userNode(); }));
    }
    ui::KeyedTree::Node* userNode() { return tree().node("user_SHARER"); }
    // The child of `parent` showing `text`, or null.
    static ui::KeyedTree::Node* child(ui::KeyedTree::Node* parent, const std::string& text) {
        for (int k = 0; parent && k < parent->childCount(); ++k) {
            if (ui::KeyedTree::text(parent->child(k)) == text) {
                return parent->child(k);
            }
        }
        return nullptr;
    }
    // Texts of the children of `parent`.
    static std::vector<std::string> children(const ui::KeyedTree::Node* parent) {
        std::vector<std::string> texts;
        for (int k = 0; k < parent->childCount(); ++k) {
            texts.push_back(ui::KeyedTree::text(parent->child(k)));
        }
        return texts;
    }
    // Entries of the list, each as Tag ":" text.
    std::vector<std::string> entries() {
        std::vector<std::string> shown;
        for (int row = 0; row < list().count(); ++row) {
            const QListWidgetItem* entry = list().item(row);
            shown.push_back(ui::FileList::tag(entry).toStdString() + ":" +
                            ui::FileList::text(entry));
        }
        return shown;
    }
    // Clicks the nodes along `path` from the sharing user (expanding each
    // first), and returns the last.
    ui::KeyedTree::Node* open(const std::vector<std::string>& path) {
        ui::KeyedTree::Node* node = userNode();
        node->setExpanded(true);
        for (const std::string& name : path) {
            node = child(node, name);
            if (!node) {
                return nullptr;
            }
            node->setExpanded(true);
        }
        explore().tvLeft_NodeClick(node);
        return node;
    }
    QListWidgetItem* entry(const std::string& text) {
        for (int row = 0; row < list().count(); ++row) {
            if (ui::FileList::text(list().item(row)) == text) {
                return list().item(row);
            }
        }
        return nullptr;
    }
    bool buttonEnabled(int index) { return explore().imgBtn.at(index)->isEnabled(); }
    std::string logText() const { return readFile(folder.file("Log.txt")); }

    const std::string fileBytes = patternBytes(70000, 7);
    TempFolder folder;
    const bool shareMade = makeShare();
    PeerNode sharer{"SHARER", "Sharing Sam", folder.file("pub")};
    PeerNode plain{"PLAIN", "Plain Pat", ""};
    AppState state{folder.path(), CommandLine()};
    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    std::shared_ptr<ChatShell> shell = std::make_shared<ChatShell>();
    ui::WindowContext context{state.windowSettings};
    RecordingCore core;
    ui::ViewSwitcher views{state, context, core};
};

}  // namespace tornel::test
