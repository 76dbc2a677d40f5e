#pragma once

#include "core/network/node_bring_up.h"
#include "core/state/app_state.h"
#include "core/util/utilities.h"
#include "support/file_contents.h"
#include "support/free_port.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tornel::test {

// A shell that records what the core asks of the windows.
class RecordingShell : public Shell {
  public:
    std::vector<std::string> calls;
    bool exploreVisible = false;

    void loadSettingsWindow() override { calls.push_back("loadSettingsWindow"); }
    void loadExploreView() override { calls.push_back("loadExploreView"); }
    void startRefreshTimer() override { calls.push_back("startRefreshTimer"); }
    bool exploreViewVisible() const override { return exploreVisible; }
    void exploreShowUsers() override { calls.push_back("exploreShowUsers"); }
    void usersWindowShowUsers() override { calls.push_back("usersWindowShowUsers"); }
    void setConnectionLabel(const std::string& text) override {
        calls.push_back("setConnectionLabel " + text);
    }
    void unloadAll() override { calls.push_back("unloadAll"); }
};

// A tray icon that records its calls.
class RecordingTray : public TrayIcon {
  public:
    std::vector<std::string> calls;

    void showIcon(const std::string& toolTip, TrayPicture) override {
        calls.push_back("showIcon " + toolTip);
    }
    void setToolTip(const std::string& toolTip) override {
        calls.push_back("setToolTip " + toolTip);
    }
    void removeIcon() override { calls.push_back("removeIcon"); }
};

// The program's state in a temporary program folder, with scripted prompts
// and recording windows.
class AppFixture : public ::testing::Test {
  protected:
    explicit AppFixture(std::vector<std::string> arguments = {})
        : state(folder.path(), CommandLine(arguments)) {
        state.ui.prompts = prompts;
        state.ui.shell = shell;
        state.ui.tray = tray;
    }

    std::string file(const std::string& name) const { return folder.file(name); }
    std::string logText() const { return readFile(file("Log.txt")); }

    // Brings the program's node up as "Owner" on a free port with a
    // time-out of `timeoutMs`, sharing the folder "share" the test made.
    void startSharingNode(int64_t timeoutMs) {
        state.NodeGUID = GUID();
        state.Name = "Owner";
        state.Timeout = timeoutMs;
        state.Port = freePort();
        state.sharedFolders.add(file("share"), file("share"));
        initNetwork(state);
        shareFolders(state);
    }

    TempFolder folder;
    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    std::shared_ptr<RecordingShell> shell = std::make_shared<RecordingShell>();
    std::shared_ptr<RecordingTray> tray = std::make_shared<RecordingTray>();
    AppState state;
};

}  // namespace tornel::test
