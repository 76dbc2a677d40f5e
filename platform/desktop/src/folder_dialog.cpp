#include "folder_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace platform {

std::string pickFolderWithDialog(QWidget* owner, const std::string& title,
                                 const std::string& startFolder) {
    const QString start = QFile::decodeName(QByteArray::fromStdString(startFolder));
    const QString from = !start.isEmpty() && QFileInfo(start).isDir() ? start : QDir::homePath();
    const QString chosen = QFileDialog::getExistingDirectory(owner, QString::fromUtf8(title), from,
                                                             QFileDialog::ShowDirsOnly);
    return QFile::encodeName(chosen).toStdString();
}

}  // namespace platform
