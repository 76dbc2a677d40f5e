#pragma once

#include <QColor>
#include <QWidget>

namespace tornel::ui {

// A decoration drawn in code: a rectangle with a fill and an optional
// border and rounded corners; one pixel high or wide, it is a line. It
// takes no mouse input.
class Shape : public QWidget {
  public:
    Shape(QWidget* parent, const QString& name);

    void setFill(const QColor& fill);
    void setBorder(const QColor& border);
    void setRadius(qreal radius);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor fill_ = Qt::white;
    QColor border_;
    qreal radius_ = 0;
};

}  // namespace tornel::ui
