#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QWidget;

namespace platform {

struct DebugWindowOptions {
    std::string title;
    // Where the window's size is kept in the per-user store ("width" and
    // "height", in twips).
    std::string settingsApp;
    std::string settingsSection;
    int64_t defaultWidthTwips = 0;
    int64_t defaultHeightTwips = 0;
    // The text keeps at most this many characters, the newest.
    int64_t maxTextLength = 0;
};

// A plain-text output window. With a GUI it is a window with one scrolling
// text box, sized from the stored size; closing it only hides it and stores
// its size. Without a GUI (no QApplication) its text goes to standard error.
// Text is bytes, shown one character per byte.
class DebugOutputWindow {
  public:
    explicit DebugOutputWindow(DebugWindowOptions options);
    ~DebugOutputWindow();
    DebugOutputWindow(const DebugOutputWindow&) = delete;
    DebugOutputWindow& operator=(const DebugOutputWindow&) = delete;

    void show();
    bool isVisible() const;

    // Replaces the text; the caret goes to the end.
    void setText(std::string_view text);
    // Appends to the text, dropping its oldest characters beyond the maximum;
    // the caret goes to the end, so the newest line is visible. The window
    // shows the new text once the event loop runs.
    void append(std::string_view entry);
    const std::string& text() const { return text_; }

    // The window, or null without a GUI.
    QWidget* widget() const;

  private:
    class Window;

    void output(std::string_view added);

    DebugWindowOptions options_;
    std::string text_;
    std::unique_ptr<Window> window_;
};

}  // namespace platform
