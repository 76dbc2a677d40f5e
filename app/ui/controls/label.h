#pragma once

#include "ui/form/twips_placement.h"

#include <QLabel>

namespace tornel::ui {

// A caption placed in twips inside its window. It shows plain text only,
// so a peer's name is never read as markup, and reports a left click.
class Label : public QLabel, public TwipsPlaced<Label> {
    Q_OBJECT

  public:
    Label(QWidget* parent, const QString& name, int index = -1);

    int Index() const { return index_; }

  signals:
    void click();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int index_;
};

}  // namespace tornel::ui
