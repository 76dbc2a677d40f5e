#pragma once

#include "ui/form/twips_placement.h"

#include <QListWidget>

#include <string>

namespace tornel::ui {

// A list of names with small icons and a Tag per entry, placed in twips
// inside its window. It reports where the mouse was released (in twips of
// the list's visible area) and the Enter key.
// A name cut with "…" shows whole in a tool tip.
class FileList : public QListWidget, public TwipsPlaced<FileList> {
    Q_OBJECT

  public:
    FileList(QWidget* parent, const QString& name);

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
};

}  // namespace tornel::ui
