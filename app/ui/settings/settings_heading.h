#pragma once

#include <QString>
#include <QWidget>

namespace tornel::ui {

// The band across the top of the settings dialog: its title and one line
// under it, on the skin's title-bar colours.
class SettingsHeading : public QWidget {
    Q_OBJECT

  public:
    SettingsHeading(QWidget* parent, QString title, QString line);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString title_;
    QString line_;
};

}  // namespace tornel::ui
