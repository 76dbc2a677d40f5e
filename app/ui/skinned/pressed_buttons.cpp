#include "ui/skinned/pressed_buttons.h"

#include "ui/controls/picture_box.h"

#include <algorithm>

namespace tornel::ui {

namespace {
constexpr Twips kPressOffset = 20;
}  // namespace

void PressedButtons::setButtonDown(PictureBox& btn, bool isDown) {
    const QString key = btn.key();
    const auto others = pressed_;
    for (const auto& [otherKey, other] : others) {
        if (otherKey != key && other) {
            swapButtonImage(*other, false);
        }
    }
    if (!contains(key) && isDown) {
        pressed_.emplace_back(key, &btn);
    }
    swapButtonImage(btn, isDown);
}

bool PressedButtons::isPressed(const PictureBox& btn) const {
    return contains(btn.key());
}

void PressedButtons::swapButtonImage(PictureBox& btn, bool isDown) {
    const QString key = btn.key();
    if (isDown || contains(key)) {
        const Twips offset = isDown ? kPressOffset : -kPressOffset;
        btn.Move(btn.Left() + offset, btn.Top() + offset);
        btn.setPressedLook(isDown);
    }
    if (!isDown) {
        std::erase_if(pressed_, [&](const auto& entry) { return entry.first == key; });
    }
}

bool PressedButtons::contains(const QString& key) const {
    return std::any_of(pressed_.begin(), pressed_.end(),
                       [&](const auto& entry) { return entry.first == key; });
}

}  // namespace tornel::ui
