#pragma once

#include "ui/form/twips_placement.h"

#include <QLabel>
#include <QPixmap>
#include <QString>

namespace tornel::ui {

// A picture control: shows one picture, is placed in twips inside its
// window, carries a Tag, a tool tip and an array index, and reports the
// mouse with the button numbers windows are written against (1 left,
// 2 right, 4 middle). A disabled picture reports nothing.
class PictureBox : public QLabel {
    Q_OBJECT

  public:
    enum ButtonNumber { LeftButton = 1, RightButton = 2, MiddleButton = 4 };

    // `name` is the control's name; `index` its index in a control array
    // (-1 when it is a single control).
    PictureBox(QWidget* parent, const QString& name, int index = -1);

    Twips Left() const;
    Twips Top() const;
    Twips Width() const;
    Twips Height() const;
    void setLeft(Twips left);
    void setTop(Twips top);
    void setWidth(Twips width);
    void setHeight(Twips height);
    void Move(Twips left, Twips top);

    int Index() const { return index_; }
    QString Tag() const { return tag_; }
    void setTag(const QString& tag) { tag_ = tag; }
    QString ToolTipText() const { return toolTip(); }
    void setToolTipText(const QString& text) { setToolTip(text); }

    // Shows `picture`. A picture that is not stretched sizes the control.
    void setPicture(const QPixmap& picture);
    QPixmap Picture() const { return picture_; }

    // Shows the picture tinted with the dark accent colour while the control
    // is held down, so the pressed state reads clearly beside the shift of a
    // pressed button without looking greyed out like a disabled one.
    void setPressedLook(bool pressed);
    bool hasPressedLook() const { return pressedLook_; }

    // Makes the control answer the mouse as a button does: while the mouse
    // is over it and it is enabled, the picture shows lightly tinted with the
    // accent colour, and the cursor is a pointing hand.
    void setHoverLook(bool hover);
    bool isHovered() const { return hovered_; }

    // Stretched pictures fill whatever size the control is given.
    void setStretch(bool stretch);

    // Where, on the screen, the mouse was last pressed on the control.
    QPoint lastPressGlobal() const { return lastPressGlobal_; }

    // A text that tells this control apart from every other one.
    QString key() const;

    static int buttonNumber(Qt::MouseButton button);

  signals:
    void mouseDown(int button);
    void mouseUp(int button);
    void click();
    void dblClick();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // Shows the picture with the look of the control's state.
    void showLook();

    QPixmap picture_;
    bool pressedLook_ = false;
    bool hoverLook_ = false;
    bool hovered_ = false;
    QString tag_;
    int index_;
    bool stretch_ = false;
    bool releaseEndsDoubleClick_ = false;
    QPoint lastPressGlobal_;
    TwipsPlacement placement_;
};

}  // namespace tornel::ui
