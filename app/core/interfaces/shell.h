#pragma once

#include <string>

namespace tornel {

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
    // Unloads every window; each writes its placement into windowSettings.
    virtual void unloadAll() {}
};

}  // namespace tornel
