#include "platform/folder_picker.h"

#include <utility>

namespace platform {
namespace {

FolderPicker installedPicker;
FolderPicker testAnswer;

}  // namespace

std::string pickFolder(QWidget* owner, const std::string& title) {
    if (testAnswer) {
        return testAnswer(owner, title);
    }
    return installedPicker ? installedPicker(owner, title) : std::string();
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
