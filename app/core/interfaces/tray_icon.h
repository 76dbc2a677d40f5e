#pragma once

#include <string>

namespace tornel {

// The two pictures of the tray icon: at rest (imgSysTray) and pressed (imgSysTray2).
enum class TrayPicture { Normal, Pressed };

// The icon in the notification area that the program lives behind. The
// windows install the real one with the settings window; this base shows
// nothing. Calls after removeIcon do nothing.
class TrayIcon {
  public:
    virtual ~TrayIcon() = default;

    virtual void showIcon(const std::string& /*toolTip*/, TrayPicture /*picture*/) {}
    virtual void setToolTip(const std::string& /*toolTip*/) {}
    virtual void setIcon(TrayPicture /*picture*/) {}
    virtual void removeIcon() {}
};

}  // namespace tornel
