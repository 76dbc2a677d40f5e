#pragma once

#include "core/interfaces/download_window.h"
#include "qellib/types.h"

#include <memory>
#include <string>

namespace tornel {

class cDownload;

// What the core asks of the program's windows as a whole. The windows
// install the real shell at start-up; this base has no windows: it loads
// nothing, shows nothing and reports every window hidden.
class Shell {
  public:
    virtual ~Shell() = default;

    // Loads the hidden settings window that hosts the tray icon, the tray
    // menu and the users-refresh timer.
    virtual void loadSettingsWindow() {}
    // Loads the Explore view without showing it.
    virtual void loadExploreView() {}
    // Starts the settings window's 60000 ms users-refresh timer.
    virtual void startRefreshTimer() {}
    virtual bool exploreViewVisible() const { return false; }
    // The users search of the Explore view (single-window mode) and of the
    // users window (multiple-windows mode).
    virtual void exploreShowUsers() {}
    virtual void usersWindowShowUsers() {}
    // The users window's connection label (lblConn); loads that window
    // hidden when it is not loaded yet.
    virtual void setConnectionLabel(const std::string& /*text*/) {}
    // Opens the chat window of `node`, or restores and raises the open one;
    // a new window joins chatWindows.
    virtual void newConv(const qel::typNodeInfo& /*node*/) {}
    // Opens the remote files window of `node`, or restores and raises the
    // open one; tells the user when the node shares nothing.
    virtual void showSharedFiles(const qel::typNodeInfo& /*node*/) {}
    // Shows the Transfers view (or window).
    virtual void showTransfers() {}
    // A new status window for `download`, loaded and hidden.
    virtual std::shared_ptr<DownloadWindow> newDownloadWindow(
        const std::shared_ptr<cDownload>& /*download*/) {
        return std::make_shared<DownloadWindow>();
    }
    // Unloads every window; each writes its placement into windowSettings.
    virtual void unloadAll() {}
};

}  // namespace tornel
