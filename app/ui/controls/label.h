#pragma once

#include "ui/form/twips_placement.h"

#include <QLabel>

namespace tornel::ui {

// A caption placed in twips inside its window. It shows plain text only,
// so a peer's name is never read as markup, and reports a left click.
class Label : public QLabel {
    Q_OBJECT

  public:
    Label(QWidget* parent, const QString& name, int index = -1);

    Twips Left() const { return placement_.left(*this); }
    Twips Top() const { return placement_.top(*this); }
    Twips Width() const { return placement_.width(*this); }
    Twips Height() const { return placement_.height(*this); }
    void setLeft(Twips left) { placement_.setLeft(*this, left); }
    void setTop(Twips top) { placement_.setTop(*this, top); }
    void setWidth(Twips width) { placement_.setWidth(*this, width); }
    void setHeight(Twips height) { placement_.setHeight(*this, height); }

    int Index() const { return index_; }

  signals:
    void click();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    TwipsPlacement placement_;
    int index_;
};

}  // namespace tornel::ui
