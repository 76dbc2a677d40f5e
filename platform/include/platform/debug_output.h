#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QWidget;

namespace platform {

struct DebugWindowOptions {
    std::string title;
    // Where a window keeps its size in the per-user store ("width" and
    // "height", in twips).
    std::string settingsApp;
    std::string settingsSection;
    int64_t defaultWidthTwips = 0;
    int64_t defaultHeightTwips = 0;
    // The text keeps at most this many characters, the newest.
    int64_t maxTextLength = 0;
};

// Where a library's debug lines go. This plain form keeps the newest text and
// writes each addition to standard error; the desktop part installs a window
// in its place (see makeDebugOutput). Text is bytes.
class DebugOutput {
  public:
    explicit DebugOutput(DebugWindowOptions options);
    virtual ~DebugOutput();
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;

    virtual void show() {}
    virtual bool isVisible() const { return false; }
    // The window showing the text, or null where there is none.
    virtual QWidget* widget() const { return nullptr; }

    // Replaces the text.
    void setText(std::string_view text);
    // Appends to the text, dropping its oldest characters beyond the maximum.
    void append(std::string_view entry);
    const std::string& text() const { return text_; }

  protected:
    const DebugWindowOptions& options() const { return options_; }
    // Shows `added`, which has just joined (or replaced) the text.
    virtual void output(std::string_view added);

  private:
    void keepNewest();

    DebugWindowOptions options_;
    std::string text_;
};

using DebugOutputFactory = std::function<std::unique_ptr<DebugOutput>(DebugWindowOptions)>;

// The installed kind of debug output, or the standard-error form where none is
// installed.
std::unique_ptr<DebugOutput> makeDebugOutput(DebugWindowOptions options);
// Installs how makeDebugOutput makes its outputs; an empty factory restores
// the standard-error form.
void installDebugOutput(DebugOutputFactory factory);

}  // namespace platform
