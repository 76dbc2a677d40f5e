#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>

namespace tornel::ui {

// Moves a window with the mouse from a press on one of its controls. The
// window system moves it where it can (X11, Wayland); elsewhere (the
// offscreen platform, window managers that refuse) the window follows the
// mouse until the button is released.
class WindowDrag : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

    // Starts a move of `window` from a left press at `globalPress` on `source`.
    void begin(QWidget& window, QWidget& source, QPoint globalPress);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void end();

    QPointer<QWidget> window_;
    QPointer<QWidget> source_;
    QPoint lastGlobal_;
};

}  // namespace tornel::ui
