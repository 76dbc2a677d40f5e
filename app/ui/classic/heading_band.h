#pragma once

#include "ui/controls/label.h"
#include "ui/controls/picture_box.h"
#include "ui/controls/twips_control.h"

#include <QFrame>

namespace tornel::ui {

// The white band across the top of a plain window (shpTop) with its
// picture (Image1) on the right, a bold title and a line under it.
struct HeadingBand {
    // A band from `top`, `height` twips high; `subtitle` may be empty.
    HeadingBand(QWidget* parent, Twips top, Twips height, const QString& titleName,
                const QString& title, const QString& subtitleName, const QString& subtitle);

    // Stretches the band over `clientWidth` (+100, as its right edge hides
    // under the frame) and keeps the picture at the right.
    void fit(Twips clientWidth);
    // Shows `text` as the title, cut with "..." where the band is too narrow
    // (the whole text stays in the tool tip).
    void setTitle(const QString& text);
    QString fullTitle() const { return fullTitle_; }
    // The least client width at which the band shows `text` in its title
    // font whole, clear of the picture on the right.
    Twips leastWidthFor(const QString& text) const;

    TwipsControl<QFrame>* const shpTop;
    PictureBox* const Image1;
    Label* const title;
    Label* const subtitle;

  private:
    void showTitle();

    QString fullTitle_;
};

}  // namespace tornel::ui
