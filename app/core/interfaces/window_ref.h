#pragma once

#include <QObject>
#include <QPointer>

namespace tornel {

// A window seen through one of the core's interfaces, held without owning
// it: once the window object is destroyed (a closed window is deleted later)
// get() gives null, so a reference kept across a nested wait is checked
// before use.
template <class Interface>
class WindowRef {
  public:
    WindowRef() = default;
    // `object` is the window's QObject, `window` the same window as `Interface`.
    WindowRef(QObject* object, Interface* window) : object_(object), window_(window) {}

    Interface* get() const { return object_ ? window_ : nullptr; }
    const QObject* object() const { return object_.data(); }
    explicit operator bool() const { return get() != nullptr; }
    Interface* operator->() const { return get(); }

  private:
    QPointer<QObject> object_;
    Interface* window_ = nullptr;
};

}  // namespace tornel
