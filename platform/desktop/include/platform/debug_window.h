#pragma once

#include "platform/debug_output.h"

#include <memory>
#include <string_view>

class QWidget;

namespace platform {

// A plain-text output window. With a GUI it is a window with one scrolling
// text box, sized from the stored size; closing it only hides it and stores
// its size. Without a GUI (no QApplication) its text goes to standard error.
// Text is shown one character per byte.
class DebugOutputWindow : public DebugOutput {
  public:
    explicit DebugOutputWindow(DebugWindowOptions options);
    ~DebugOutputWindow() override;

    void show() override;
    bool isVisible() const override;
    // The window, or null without a GUI.
    QWidget* widget() const override;

  protected:
    // The caret goes to the end, so the newest line is visible. The window
    // shows the new text once the event loop runs.
    void output(std::string_view added) override;

  private:
    class Window;

    std::unique_ptr<Window> window_;
};

}  // namespace platform
