#include "qobject_ptr.h"

#include <QCoreApplication>

namespace platform {

void DeleteLater::operator()(QObject* object) const {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        object->setParent(application);
        object->deleteLater();
    } else {
        std::default_delete<QObject>()(object);
    }
}

}  // namespace platform
