#include "platform/folder_picker.h"

#include <utility>

namespace platform {
namespace {

FolderPicker installedPicker;
FolderPicker testAnswer;

}  // namespace

std::string pickFolder(QWidget* owner, const std::string& title, const std::string& startFolder) {
    if (testAnswer) {
        return testAnswer(owner, title, startFolder);
    }
    return installedPicker ? installedPicker(owner, title, startFolder) : std::string();
}

void installFolderPicker(FolderPicker picker) {
    installedPicker = std::move(picker);
}

ScopedFolderPickerAnswer::ScopedFolderPickerAnswer(Answer answer) {
    testAnswer = std::move(answer);
}

ScopedFolderPickerAnswer::~ScopedFolderPickerAnswer() {
    testAnswer = nullptr;
}

}  // namespace platform
