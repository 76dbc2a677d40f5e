#pragma once

#include "ui/form/twips.h"

#include <QWidget>

namespace tornel::ui {

// The placement of a control inside its window, kept exactly in twips (see
// TwipsValue).
class TwipsPlacement {
  public:
    Twips left(const QWidget& control) const { return left_.get(control.x()); }
    Twips top(const QWidget& control) const { return top_.get(control.y()); }
    Twips width(const QWidget& control) const { return width_.get(control.width()); }
    Twips height(const QWidget& control) const { return height_.get(control.height()); }

    void setLeft(QWidget& control, Twips left) { control.move(left_.set(left), control.y()); }
    void setTop(QWidget& control, Twips top) { control.move(control.x(), top_.set(top)); }
    void setWidth(QWidget& control, Twips width) {
        control.resize(width_.set(width), control.height());
    }
    void setHeight(QWidget& control, Twips height) {
        control.resize(control.width(), height_.set(height));
    }
    void move(QWidget& control, Twips left, Twips top) {
        control.move(left_.set(left), top_.set(top));
    }

  private:
    TwipsValue left_;
    TwipsValue top_;
    TwipsValue width_;
    TwipsValue height_;
};

}  // namespace tornel::ui
