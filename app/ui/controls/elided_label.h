#pragma once

#include "ui/controls/label.h"

namespace tornel::ui {

// A caption on one line that shows as much of its text as fits its width,
// cut with "…", and offers the whole text as its tool tip while it is cut.
// text() is always the whole text; set it through this class.
class ElidedLabel : public Label {
    Q_OBJECT

  public:
    ElidedLabel(QWidget* parent, const QString& name);

    // Sets the whole text (hides QLabel's, so that the tool tip follows it).
    void setText(const QString& text);

    // The text as drawn: the whole text, or its cut form.
    QString shownText() const;

    // Any width will do: the text is cut to it.
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QRect textArea() const;
    void offerWholeText();
};

}  // namespace tornel::ui
