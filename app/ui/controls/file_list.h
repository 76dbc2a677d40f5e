#pragma once

#include "ui/form/twips_placement.h"

#include <QListWidget>

#include <string>

namespace tornel::ui {

// A list of names with small icons and a Tag per entry, placed in twips
// inside its window. It reports where the mouse was released (in twips of
// the list's visible area) and the Enter key.
class FileList : public QListWidget {
    Q_OBJECT

  public:
    FileList(QWidget* parent, const QString& name);

    Twips Left() const { return placement_.left(*this); }
    Twips Top() const { return placement_.top(*this); }
    Twips Width() const { return placement_.width(*this); }
    Twips Height() const { return placement_.height(*this); }
    void setLeft(Twips left) { placement_.setLeft(*this, left); }
    void setTop(Twips top) { placement_.setTop(*this, top); }
    void setWidth(Twips width) { placement_.setWidth(*this, width); }
    void setHeight(Twips height) { placement_.setHeight(*this, height); }
    void Move(Twips left, Twips top) { placement_.move(*this, left, top); }

    // Appends an entry showing `text` (bytes, shown as UTF-8 plain text)
    // with `icon`.
    QListWidgetItem* addEntry(const std::string& text, const QPixmap& icon,
                              const QString& tag = {});
    static QString tag(const QListWidgetItem* entry);
    // The entry's text as the bytes it was given.
    static std::string text(const QListWidgetItem* entry);

    // Whether (x, y), in twips of the visible area, lies strictly inside
    // the selected entry (the current one).
    bool isOverSelected(double x, double y) const;

  signals:
    void mouseUp(int button, double x, double y);
    void enterPressed();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    TwipsPlacement placement_;
};

}  // namespace tornel::ui
