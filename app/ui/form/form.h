#pragma once

#include "ui/form/twips.h"

#include <QString>
#include <QWidget>

namespace tornel::ui {

// A top-level window with the surface the windows of the program are written
// against: outer placement and inner size in twips, the window state as a
// number, and "Visible" meaning on screen (shown and not minimised).
class Form : public QWidget {
    Q_OBJECT

  public:
    enum State { Normal = 0, Minimised = 1, Maximised = 2 };

    // A hidden top-level window named `formName` (its object name; the
    // section name of its placement).
    explicit Form(const QString& formName, Qt::WindowFlags flags = Qt::Window);

    QString Name() const { return objectName(); }

    // Outer geometry, from the frame.
    Twips Left() const;
    Twips Top() const;
    Twips Width() const;
    Twips Height() const;
    void setLeft(Twips left);
    void setTop(Twips top);
    void setWidth(Twips width);
    void setHeight(Twips height);

    // Inner size.
    Twips ScaleWidth() const;
    Twips ScaleHeight() const;

    int WindowState() const;
    void applyWindowState(int state);

    bool Visible() const;

  signals:
    // The window state changed from minimised to something else, by the
    // user or the window system (a task-bar entry restored).
    void restoredFromMinimised();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Runs after every resize; skinned windows lay out their skin here.
    virtual void Form_Resize() {}

  private:
    QSize frameExtra() const;

    TwipsValue left_;
    TwipsValue top_;
    TwipsValue width_;
    TwipsValue height_;
};

}  // namespace tornel::ui
