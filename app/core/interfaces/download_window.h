#pragma once

#include <string>

namespace tornel {

// The status window of one download as the core writes it. The record owns
// its window; this base is the window of a program without windows and
// shows nothing.
class DownloadWindow {
  public:
    virtual ~DownloadWindow() = default;

    // The window's caption.
    virtual void setCaption(const std::string& /*text*/) {}
    // lblTitle and lblSubtitle, the heading.
    virtual void setTitle(const std::string& /*text*/) {}
    virtual void setSubtitle(const std::string& /*text*/) {}
    // lblName, the local file name.
    virtual void setFileName(const std::string& /*text*/) {}
    // lblProgress, the progress text.
    virtual void setProgressText(const std::string& /*text*/) {}
    // lblSpeed.
    virtual void setSpeedText(const std::string& /*text*/) {}
    // pbFile, in thousandths.
    virtual void setProgressValue(int /*thousandths*/) {}
    // cmdOpen and cmdFolder.
    virtual void setFileButtonsEnabled(bool /*enabled*/) {}
    // cmdCancel's caption.
    virtual void setCancelCaption(const std::string& /*text*/) {}
    // timRefresh, which shows the speed every 750 ms.
    virtual void setRefreshTimer(bool /*on*/) {}
    virtual void setShowPrompt(bool /*on*/) {}

    // Shows the window, in information mode (closing only hides it) or in
    // prompt mode (closing a running download cancels it after a question).
    virtual void showStatus(bool /*infoMode*/) {}
    // Writes the download's current speed.
    virtual void showSpeed() {}
    // Closes the window: one in information mode only hides; any other is
    // hidden with its timer off and its controls back to their first texts.
    virtual void unload() {}
};

}  // namespace tornel
