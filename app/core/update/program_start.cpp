#include "core/update/program_start.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

namespace tornel {

bool startDetached(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& folder) {
    QStringList argumentList;
    for (const std::string& argument : arguments) {
        argumentList << QString::fromStdString(argument);
    }
    return QProcess::startDetached(QFile::decodeName(QByteArray::fromStdString(program)),
                                   argumentList,
                                   QFile::decodeName(QByteArray::fromStdString(folder)));
}

}  // namespace tornel
