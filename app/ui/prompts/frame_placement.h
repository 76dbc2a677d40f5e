#pragma once

#include <QObject>
#include <QSize>

#include <functional>

class QWidget;

namespace tornel::ui {

// Keeps a shown prompt placed by its outer frame. A window manager adds the
// frame some time after the window is shown, and a prompt may grow after
// it was placed: each time the frame's size changes, the placement runs
// again, so the prompt's right and lower borders stay on the screen. A
// prompt the user moves stays where it was put.
class FramePlacement : public QObject {
  public:
    // Watches `prompt` (which owns the watcher) and runs `place` now and
    // after every change of its frame's size.
    static void keep(QWidget& prompt, std::function<void()> place);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    FramePlacement(QWidget& prompt, std::function<void()> place);
    void placeWhenResized();

    QWidget& prompt_;
    std::function<void()> place_;
    QSize placedFrame_;
};

}  // namespace tornel::ui
