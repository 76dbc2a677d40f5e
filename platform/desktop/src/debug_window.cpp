#include "platform/debug_window.h"

#include "platform/decimal.h"
#include "platform/user_settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace platform {
namespace {

constexpr int64_t TwipsPerPixel = 15;
// The text box fills the window's inside, this far from each of its edges.
// (The window's size is its inside: the frame and title bar are the desktop's.)
constexpr int64_t TextMarginTwips = 120;

int pixels(int64_t twips) {
    return static_cast<int>((twips + TwipsPerPixel / 2) / TwipsPerPixel);
}

bool guiAvailable() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

int64_t storedTwips(const DebugWindowOptions& options, const char* key, int64_t fallback) {
    const Decimal stored =
        parseDecimal(getSetting(options.settingsApp, options.settingsSection, key));
    return stored.ok() && stored.value > 0 ? stored.value : fallback;
}

// One character per byte; CR LF shows as one line break and NUL as a visible mark.
QString displayText(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        text += c == '\0' ? QChar(0x2400) : QChar(static_cast<unsigned char>(c));
    }
    return text;
}

}  // namespace

class DebugOutputWindow::Window : public QWidget {
  public:
    explicit Window(const DebugWindowOptions& options) : options_(options), textBox_(this) {
        setWindowTitle(QString::fromStdString(options.title));
        QFont font(QStringLiteral("Tahoma"));
        font.setPointSizeF(8.25);
        textBox_.setFont(font);
        textBox_.setReadOnly(true);
        textBox_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        textBox_.move(pixels(TextMarginTwips), pixels(TextMarginTwips));
        resize(pixels(storedTwips(options, "width", options.defaultWidthTwips)),
               pixels(storedTwips(options, "height", options.defaultHeightTwips)));
    }

    void showText(std::string_view text) {
        refreshPending_ = false;
        textBox_.setPlainText(displayText(text));
        textBox_.moveCursor(QTextCursor::End);
        textBox_.ensureCursorVisible();
    }

    // Shows `text` once the event loop runs, so a burst of output costs one
    // refresh. `text` must outlive the window.
    void scheduleRefresh(const std::string& text) {
        if (!refreshPending_) {
            refreshPending_ = true;
            QTimer::singleShot(0, this, [this, &text] {
                if (refreshPending_) {
                    showText(text);
                }
            });
        }
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        const int width = event->size().width() - 2 * pixels(TextMarginTwips);
        const int height = event->size().height() - 2 * pixels(TextMarginTwips);
        if (width > 0 && height > 0) {
            textBox_.resize(width, height);
        }
    }

    // Closing only hides the window, keeping its size for the next process.
    void closeEvent(QCloseEvent* event) override {
        saveSetting(options_.settingsApp, options_.settingsSection, "width",
                    std::to_string(width() * TwipsPerPixel));
        saveSetting(options_.settingsApp, options_.settingsSection, "height",
                    std::to_string(height() * TwipsPerPixel));
        hide();
        event->ignore();
    }

  private:
    const DebugWindowOptions options_;
    QPlainTextEdit textBox_;
    bool refreshPending_ = false;
};

DebugOutputWindow::DebugOutputWindow(DebugWindowOptions options)
    : DebugOutput(std::move(options)) {}

DebugOutputWindow::~DebugOutputWindow() {
    if (window_ && QCoreApplication::instance() == nullptr) {
        // Too late to destroy a widget once the application object is gone.
        static_cast<void>(window_.release());
    }
}

void DebugOutputWindow::show() {
    if (!guiAvailable()) {
        return;
    }
    if (!window_) {
        window_ = std::make_unique<Window>(options());
        window_->showText(text());
    }
    window_->show();
}

bool DebugOutputWindow::isVisible() const {
    return window_ && window_->isVisible();
}

QWidget* DebugOutputWindow::widget() const {
    return window_.get();
}

void DebugOutputWindow::output(std::string_view added) {
    if (window_) {
        window_->scheduleRefresh(text());
    } else if (!guiAvailable()) {
        DebugOutput::output(added);
    }
}

}  // namespace platform
