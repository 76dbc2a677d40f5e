#pragma once

#include "ui/controls/control_name.h"
#include "ui/form/twips_placement.h"

#include <QWidget>

namespace tornel::ui {

// A Qt control placed in twips inside its window and named as the windows
// name it, so tests find it with findChild.
template <class Base>
class TwipsControl : public Base {
  public:
    TwipsControl(QWidget* parent, const QString& name) : Base(parent) {
        this->setObjectName(controlName(name, -1));
    }

    Twips Left() const { return placement_.left(*this); }
    Twips Top() const { return placement_.top(*this); }
    Twips Width() const { return placement_.width(*this); }
    Twips Height() const { return placement_.height(*this); }
    void setLeft(Twips left) { placement_.setLeft(*this, left); }
    void setTop(Twips top) { placement_.setTop(*this, top); }
    void setWidth(Twips width) { placement_.setWidth(*this, width); }
    void setHeight(Twips height) { placement_.setHeight(*this, height); }
    void Move(Twips left, Twips top) { placement_.move(*this, left, top); }

  private:
    TwipsPlacement placement_;
};

}  // namespace tornel::ui
