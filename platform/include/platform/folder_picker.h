#pragma once

#include <functional>
#include <string>

class QWidget;

// The desktop's folder picker: a modal dialog that lets the user choose one
// folder of the file system. The desktop part installs the dialog; where
// none is installed every pick is cancelled.
namespace platform {

// Shows the picker over `owner` (may be null), titled `title` (UTF-8),
// offering folders only and starting in `startFolder` when that is a folder,
// else in the home folder. Returns the chosen folder's path as the file
// system's bytes, or "" when the user cancels.
std::string pickFolder(QWidget* owner, const std::string& title,
                       const std::string& startFolder = {});

using FolderPicker = std::function<std::string(QWidget* owner, const std::string& title,
                                               const std::string& startFolder)>;

// Installs the picker pickFolder shows; an empty one cancels every pick.
void installFolderPicker(FolderPicker picker);

// While alive, pickFolder shows no dialog and returns what the answer gives,
// so tests can stand in for the user. Not nestable.
class ScopedFolderPickerAnswer {
  public:
    using Answer = FolderPicker;

    explicit ScopedFolderPickerAnswer(Answer answer);
    ~ScopedFolderPickerAnswer();
    ScopedFolderPickerAnswer(const ScopedFolderPickerAnswer&) = delete;
    ScopedFolderPickerAnswer& operator=(const ScopedFolderPickerAnswer&) = delete;
};

}  // namespace platform
