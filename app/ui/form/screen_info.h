#pragma once

#include "ui/form/twips.h"

#include <QRect>

#include <optional>

namespace tornel::ui {

// The screen as the windows see it: its size in twips for the framework's
// maximise, and the area a window may be placed in. By default the primary
// screen; tests set a size of their own, which is also the available area
// unless they set that too.
class ScreenInfo {
  public:
    Twips Width() const;
    Twips Height() const;

    // The area, in pixels, where a window stays reachable (the primary
    // screen less its panels).
    QRect availablePixels() const;

    void setSizeForTest(Twips width, Twips height);
    // The available area in pixels, as if panels took the rest of the screen.
    void setAvailableForTest(QRect pixels);

  private:
    struct TestSize {
        Twips width;
        Twips height;
    };
    std::optional<TestSize> testSize_;
    std::optional<QRect> testAvailable_;
};

}  // namespace tornel::ui
