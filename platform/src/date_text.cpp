#include "platform/date_text.h"

#include <QDateTime>
#include <QLocale>

namespace platform {

std::string currentDateTimeText() {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    return (locale.toString(now.date(), QLocale::ShortFormat) + ' ' +
            now.time().toString(QStringLiteral("HH:mm:ss")))
        .toStdString();
}

}  // namespace platform
