#pragma once

#include <QObject>

#include <memory>
#include <utility>

namespace platform {

// Lets go of a Qt object the way Qt expects: deleteLater(), so that none of
// its code is on the stack when it goes. Meanwhile the application object is
// its parent, so it is deleted with the application at the latest.
struct DeleteLater {
    void operator()(QObject* object) const;
};

// Sole ownership of a Qt object that has no parent.
template <class T>
using QObjectPtr = std::unique_ptr<T, DeleteLater>;

template <class T, class... Args>
QObjectPtr<T> makeQObject(Args&&... args) {
    return QObjectPtr<T>(new T(std::forward<Args>(args)...));
}

// Takes `object` from its Qt parent (a server owns the sockets it accepted).
template <class T>
QObjectPtr<T> adoptQObject(T* object) {
    object->setParent(nullptr);
    return QObjectPtr<T>(object);
}

}  // namespace platform
