#pragma once

#include "core/settings/settings_file.h"

#include <QString>

#include <exception>

namespace tornel::ui {

// One window's section of the placement document, open for as long as this
// object lives: rootNode, openNode(name) on construction, closeNode at the
// end. A value that cannot be read reads as its default; a value that
// cannot be written is skipped.
class WindowSection {
  public:
    WindowSection(cSettingsFile& settings, const QString& formName);
    ~WindowSection();
    WindowSection(const WindowSection&) = delete;
    WindowSection& operator=(const WindowSection&) = delete;

    // `T` is double (twips), int (a window state) or bool.
    template <class T>
    T read(const char* key, T defaultValue) const {
        try {
            return open_ ? settings_.getValue(key, defaultValue) : defaultValue;
        } catch (const std::exception&) {
            return defaultValue;
        }
    }

    template <class T>
    void write(const char* key, T value) {
        try {
            if (open_) {
                settings_.setValue(key, value);
            }
        } catch (const std::exception&) {
            // A placement that cannot be written is left as it was.
        }
    }

  private:
    cSettingsFile& settings_;
    bool open_ = false;
};

}  // namespace tornel::ui
