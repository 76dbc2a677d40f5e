#include "ui/form/screen_info.h"

#include <QGuiApplication>
#include <QScreen>

namespace tornel::ui {

namespace {

constexpr QRect kNoScreen(0, 0, 800, 600);

QRect primaryScreenPixels(bool available) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return kNoScreen;
    }
    return available ? screen->availableGeometry() : screen->geometry();
}

}  // namespace

Twips ScreenInfo::Width() const {
    return testSize_ ? testSize_->width : pixelsToTwips(primaryScreenPixels(false).width());
}

Twips ScreenInfo::Height() const {
    return testSize_ ? testSize_->height : pixelsToTwips(primaryScreenPixels(false).height());
}

QRect ScreenInfo::availablePixels() const {
    if (testAvailable_) {
        return *testAvailable_;
    }
    if (testSize_) {
        return QRect(0, 0, twipsToPixels(testSize_->width), twipsToPixels(testSize_->height));
    }
    return primaryScreenPixels(true);
}

void ScreenInfo::setSizeForTest(Twips width, Twips height) {
    testSize_ = TestSize{width, height};
}

void ScreenInfo::setAvailableForTest(QRect pixels) {
    testAvailable_ = pixels;
}

}  // namespace tornel::ui
