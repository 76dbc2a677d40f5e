#include "platform/folder_picker.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

#include <utility>

namespace platform {
namespace {

ScopedFolderPickerAnswer::Answer testAnswer;

}  // namespace

std::string pickFolder(QWidget* owner, const std::string& title) {
    if (testAnswer) {
        return testAnswer(owner, title);
    }
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, QString::fromUtf8(title), QDir::homePath(), QFileDialog::ShowDirsOnly);
    return QFile::encodeName(chosen).toStdString();
}

ScopedFolderPickerAnswer::ScopedFolderPickerAnswer(Answer answer) {
    testAnswer = std::move(answer);
}

ScopedFolderPickerAnswer::~ScopedFolderPickerAnswer() {
    testAnswer = nullptr;
}

}  // namespace platform
