#pragma once

#include <functional>
#include <string>
#include <vector>

// The desktop's own handling of files: a file opens in the program the
// desktop associates with its type, a folder in the file manager. The desktop
// part installs the opener; where none is installed nothing opens.
namespace platform {

// Asks the desktop to open the local file or folder at `path`; whether the
// desktop took it.
bool openWithDesktop(const std::string& path);

using DesktopOpener = std::function<bool(const std::string& path)>;

// Installs the opener openWithDesktop hands paths to; an empty one opens nothing.
void installDesktopOpener(DesktopOpener opener);

// While alive, openWithDesktop records each path here instead of handing it
// to the desktop, so tests never start other programs. Not nestable.
class ScopedDesktopRecorder {
  public:
    ScopedDesktopRecorder();
    ~ScopedDesktopRecorder();
    ScopedDesktopRecorder(const ScopedDesktopRecorder&) = delete;
    ScopedDesktopRecorder& operator=(const ScopedDesktopRecorder&) = delete;

    const std::vector<std::string>& opened() const { return opened_; }

  private:
    friend bool openWithDesktop(const std::string& path);
    std::vector<std::string> opened_;
};

}  // namespace platform
