#pragma once

#include "core/interfaces/tray_icon.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <memory>

class QMenu;

namespace tornel::ui {

// The holder of the tray icon, which receives its mouse events (1 left,
// 2 right, 4 middle).
class TrayIconEvents {
  public:
    virtual ~TrayIconEvents() = default;
    virtual void systemTray_MouseDown() = 0;
    virtual void systemTray_MouseUp(int Button) = 0;
};

// The icon in the notification area, over the desktop's tray. Where the
// desktop has none, nothing is shown and available() says so. The desktop
// reports clicks, not presses: a click is raised as a press and a release.
// Calls after removeIcon do nothing.
class TrayIconControl : public QObject, public TrayIcon {
    Q_OBJECT

  public:
    explicit TrayIconControl(TrayIconEvents& holder);
    ~TrayIconControl() override;

    void showIcon(const std::string& toolTip, TrayPicture picture) override;
    void setToolTip(const std::string& toolTip) override;
    void setIcon(TrayPicture picture) override;
    void removeIcon() override;

    // Whether the desktop has a notification area to show the icon in.
    bool available() const;
    bool removed() const { return removed_; }
    QString toolTip() const { return toolTip_; }

    // The menu the desktop opens itself on a right click, where it does.
    void setContextMenu(QMenu* menu);
    bool showsMenuItself() const { return icon_ && menu_; }

    // A click on the icon as the desktop reports it.
    void activate(QSystemTrayIcon::ActivationReason reason);

  private:
    static QIcon pictureOf(TrayPicture picture);

    TrayIconEvents& holder_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QPointer<QMenu> menu_;
    QString toolTip_;
    bool removed_ = false;
};

}  // namespace tornel::ui
