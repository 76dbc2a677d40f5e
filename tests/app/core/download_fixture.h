#pragma once

#include "app_fixture.h"
#include "core/network/controller.h"
#include "core/network/node_bring_up.h"
#include "core/state/download.h"
#include "core/util/utilities.h"
#include "qellib/qel.h"
#include "qellib/settings.h"
#include "support/free_port.h"
#include "support/peer_node.h"
#include "support/socket_recorder.h"
#include "support/wait.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tornel::test {

// A status window that keeps what the core wrote into it.
class RecordingDownloadWindow : public DownloadWindow {
  public:
    std::map<std::string, std::string> texts;  // by control: caption, lblTitle, lblProgress …
    std::vector<std::string> captions;         // every caption in order
    int progress = 0;
    bool fileButtons = false;
    bool timer = false;
    bool showPrompt = false;
    std::vector<bool> shown;  // the mode of each showStatus
    int speedShown = 0;
    int unloads = 0;
    // Runs after each progress text is written.
    std::function<void(const std::string&)> onProgress;

    void setCaption(const std::string& text) override {
        texts["caption"] = text;
        captions.push_back(text);
    }
    void setTitle(const std::string& text) override { texts["lblTitle"] = text; }
    void setSubtitle(const std::string& text) override { texts["lblSubtitle"] = text; }
    void setFileName(const std::string& text) override { texts["lblName"] = text; }
    void setProgressText(const std::string& text) override {
        texts["lblProgress"] = text;
        if (onProgress) {
            onProgress(text);
        }
    }
    void setSpeedText(const std::string& text) override { texts["lblSpeed"] = text; }
    void setProgressValue(int thousandths) override { progress = thousandths; }
    void setFileButtonsEnabled(bool enabled) override { fileButtons = enabled; }
    void setCancelCaption(const std::string& text) override { texts["cmdCancel"] = text; }
    void setRefreshTimer(bool on) override { timer = on; }
    void setShowPrompt(bool on) override { showPrompt = on; }
    void showStatus(bool infoMode) override { shown.push_back(infoMode); }
    void showSpeed() override { ++speedShown; }
    void unload() override { ++unloads; }
};

// A shell that makes recording status windows and counts the Transfers view's showing.
class DownloadShell : public RecordingShell {
  public:
    std::vector<std::shared_ptr<RecordingDownloadWindow>> windows;
    int transfersShown = 0;
    std::function<void(const cDownload&)> onNewWindow;

    std::shared_ptr<DownloadWindow> newDownloadWindow(
        const std::shared_ptr<cDownload>& download) override {
        if (onNewWindow) {
            onNewWindow(*download);
        }
        windows.push_back(std::make_shared<RecordingDownloadWindow>());
        return windows.back();
    }
    void showTransfers() override { ++transfersShown; }
};

// The program's node and a peer node on 127.0.0.1 in one process; the peer
// shares the folder "share" of the temporary folder, whose files are at its top level.
class DownloadTest : public AppFixture {
  protected:
    DownloadTest() {
        state.ui.shell = downloads;
        std::filesystem::create_directory(share());
        std::filesystem::create_directory(file("Files"));
        state.NodeGUID = GUID();
        state.Name = "Tester";
        state.Timeout = 300;
        state.Port = freePort();
        state.ShowTransWindow = false;

        qel::cSettings settings;
        settings.SaveSetting("nodeID", std::string("PEER-NODE"));
        settings.SaveSetting("Timeout", int64_t{300});
        settings.SaveSetting("filePacket", int64_t{1});
        peer.Initialise("Peer", peerPort, qel::role_Peer, "TORNEL_NODE", share(),
                        settings.getXML());
        peer.Listen();
        initNetwork(state);
        state.qelSession->Connect("127.0.0.1:" + std::to_string(peerPort));
        EXPECT_TRUE(
            waitUntil([&] { return knowsNodeOnPort(*state.qelSession, "PEER-NODE", peerPort); }));
    }
    ~DownloadTest() override {
        state.downloads.clear();
        if (state.qelSession) {
            state.qelSession->shutDown();
        }
        peer.shutDown();
    }

    std::string share() const { return file("share"); }
    std::string local(const std::string& name) const { return file("Files/" + name); }
    // A shared file of `size` pattern bytes; its bytes.
    std::string sharedFile(const std::string& name, size_t size) {
        std::string bytes = patternBytes(size, size % 97);
        writeFile(share() + "/" + name, bytes);
        return bytes;
    }
    static std::string remote(const std::string& name) { return "\\" + name; }

    void download(const std::string& name) {
        downloadFile(state, remote(name), local(name), "PEER-NODE");
    }
    std::shared_ptr<cDownload> record(size_t position) { return state.downloads.item(position); }
    RecordingDownloadWindow& window(size_t index) { return *downloads->windows.at(index); }
    bool ended(size_t position) {
        return waitUntil([&] { return record(position)->Status >= DL_Complete; });
    }

    std::shared_ptr<DownloadShell> downloads = std::make_shared<DownloadShell>();
    int peerPort = freePort();
    qel::cQEL peer;
};

}  // namespace tornel::test
