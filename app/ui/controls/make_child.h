#pragma once

#include <QObject>

#include <utility>

namespace tornel::ui {

// Makes a control owned by its Qt parent, which deletes it with itself; the
// returned pointer never owns.
template <class Control, class Parent, class... Args>
Control* makeChild(Parent* parent, Args&&... args) {
    return new Control(parent, std::forward<Args>(args)...);
}

}  // namespace tornel::ui
