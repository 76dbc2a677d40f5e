#pragma once

#include "ui/settings/settings_page.h"

#include <QRadioButton>

namespace tornel::ui {

class PictureBox;

// "Interface": the window mode, each choice with its pictures; a click on a
// picture chooses its mode too.
class InterfaceTab : public SettingsPage {
    Q_OBJECT

  public:
    explicit InterfaceTab(QWidget* parent = nullptr);

    QRadioButton* const optIntNew;
    QRadioButton* const optIntStd;
    PictureBox* const imgSingle;
    PictureBox* const imgUsers;
    PictureBox* const imgTransfers;
};

}  // namespace tornel::ui
