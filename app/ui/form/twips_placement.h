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

// The twips placement of a control as its own members (Left, Top, Width,
// Height, their setters and Move); `Control` is the widget class that
// derives from it.
template <class Control>
class TwipsPlaced {
  public:
    Twips Left() const { return placement_.left(self()); }
    Twips Top() const { return placement_.top(self()); }
    Twips Width() const { return placement_.width(self()); }
    Twips Height() const { return placement_.height(self()); }
    void setLeft(Twips left) { placement_.setLeft(self(), left); }
    void setTop(Twips top) { placement_.setTop(self(), top); }
    void setWidth(Twips width) { placement_.setWidth(self(), width); }
    void setHeight(Twips height) { placement_.setHeight(self(), height); }
    void Move(Twips left, Twips top) { placement_.move(self(), left, top); }

  private:
    const QWidget& self() const { return static_cast<const Control&>(*this); }
    QWidget& self() { return static_cast<Control&>(*this); }

    TwipsPlacement placement_;
};

}  // namespace tornel::ui
