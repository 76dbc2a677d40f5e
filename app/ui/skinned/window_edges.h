#pragma once

#include <QWidget>

#include <array>

namespace tornel::ui {

// The edges and corners of a window without a system frame: thin strips
// along its border, above every other control, that resize the window with
// the mouse as a frame would. The window system resizes it where it can
// (X11, Wayland); elsewhere (the offscreen platform, window managers that
// refuse) the window follows the mouse until the button is released. The
// window's minimum size holds either way.
class WindowEdges {
  public:
    explicit WindowEdges(QWidget& window);

    // Places the strips along the window's border and above its controls;
    // after every resize.
    void place();
    // Edges that do nothing (a maximised window) or resize again.
    void setEnabled(bool enabled);

    // How far in from the border a press resizes the window, in pixels.
    static constexpr int kThickness = 4;

  private:
    class Strip;

    QWidget& window_;
    std::array<Strip*, 8> strips_;
};

}  // namespace tornel::ui
