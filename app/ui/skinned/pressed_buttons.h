#pragma once

#include <QPointer>
#include <QString>

#include <utility>
#include <vector>

namespace tornel::ui {

class PictureBox;

// The picture buttons shown pressed, in the order they were pressed. A
// pressed button sits 20 twips lower and to the right; pressing one button
// releases any other still shown pressed (its release may have gone
// elsewhere).
class PressedButtons {
  public:
    void setButtonDown(PictureBox& btn, bool isDown);
    bool isPressed(const PictureBox& btn) const;

  private:
    void swapButtonImage(PictureBox& btn, bool isDown);
    bool contains(const QString& key) const;

    std::vector<std::pair<QString, QPointer<PictureBox>>> pressed_;
};

}  // namespace tornel::ui
