#pragma once

#include <cmath>

namespace tornel::ui {

// Window geometry is given in twips; the screen is 96 dpi, 15 twips a pixel.
using Twips = double;
inline constexpr Twips kTwipsPerPixel = 15;

inline int twipsToPixels(Twips twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

inline Twips pixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

// One coordinate kept exactly in twips: a value set in twips reads back as
// set while the widget still has the pixel value it was given, so that
// moving 20 twips forth and back, or restoring a saved geometry, does not
// drift by rounding. A pixel value changed from elsewhere (the user, the
// window system) reads as pixels × 15.
class TwipsValue {
  public:
    // Records `twips` as the value now applied; returns the pixels to apply.
    int set(Twips twips) {
        twips_ = twips;
        pixels_ = twipsToPixels(twips);
        valid_ = true;
        return pixels_;
    }

    Twips get(int currentPixels) const {
        return valid_ && currentPixels == pixels_ ? twips_ : pixelsToTwips(currentPixels);
    }

  private:
    Twips twips_ = 0;
    int pixels_ = 0;
    bool valid_ = false;
};

}  // namespace tornel::ui
