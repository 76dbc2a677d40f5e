#pragma once

#include <utility>

namespace tornel::ui {

// Makes a top-level window without a Qt parent. The window owns itself: it
// ends with deleteLater() when it is unloaded, and the returned pointer
// never owns (hold it in a QPointer across waits).
template <class Window, class... Args>
Window* makeWindow(Args&&... args) {
    return new Window(std::forward<Args>(args)...);
}

}  // namespace tornel::ui
