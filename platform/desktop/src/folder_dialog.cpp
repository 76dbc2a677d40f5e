#include "folder_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace platform {

std::string pickFolderWithDialog(QWidget* owner, const std::string& title) {
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, QString::fromUtf8(title), QDir::homePath(), QFileDialog::ShowDirsOnly);
    return QFile::encodeName(chosen).toStdString();
}

}  // namespace platform
