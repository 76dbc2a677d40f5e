#pragma once

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

#include <string>
#include <vector>

namespace tornel::ui {

// One tab of the settings dialog: sections one under another, each a bold
// heading (with a note beside it) over an indented grid of rows.
class SettingsPage : public QWidget {
    Q_OBJECT

  public:
    explicit SettingsPage(QWidget* parent = nullptr);

  protected:
    // Starts a section (without a heading when `title` is empty) and returns
    // the grid its rows go into.
    QGridLayout* addSection(const QString& title, const QString& note = {});
    // Ends the page: the spare height goes below the last section, or to
    // the section `growing` when one is given (a list that shows more lines
    // in a larger window).
    void finish(QGridLayout* growing = nullptr);

    // Controls named as the dialog names them, owned by this page.
    QLineEdit* textBox(const QString& name);
    // A text box as wide as a number needs.
    QLineEdit* numberBox(const QString& name);
    QPushButton* button(const QString& name, const QString& caption);
    QCheckBox* checkBox(const QString& name, const QString& caption);
    QListWidget* listBox(const QString& name);
    QWidget* caption(const QString& text);

  private:
    QWidget* heading(const QString& title, const QString& note);

    QVBoxLayout* column_;
};

// A list box line for `text`: an empty text shows as "." so the line can be
// seen and chosen; the line keeps its text apart from what it shows.
void addLine(QListWidget& list, const std::string& text);
// The texts of a list box's lines, in order.
std::vector<std::string> linesOf(const QListWidget& list);

}  // namespace tornel::ui
