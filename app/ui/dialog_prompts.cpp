#include "ui/dialog_prompts.h"

#include "orvdll/browse_folders.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace tornel {
namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QMessageBox::StandardButtons standardButtons(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::Ok:
            return QMessageBox::Ok;
        case PromptButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case PromptButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case PromptButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon messageIcon(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::None:
            return QMessageBox::NoIcon;
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::Exclamation:
            return QMessageBox::Warning;
        case PromptIcon::Critical:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

PromptAnswer answerOf(int button) {
    switch (button) {
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        default:
            return PromptAnswer::Cancel;
    }
}

}  // namespace

PromptAnswer DialogPrompts::messageBox(const std::string& text, PromptButtons buttons,
                                       PromptIcon icon, const std::string& title) {
    // The text's carriage returns are line breaks; it is shown as plain text.
    QString shown = qt(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    QMessageBox box(messageIcon(icon), qt(title), shown, standardButtons(buttons),
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    return answerOf(box.exec());
}

std::string DialogPrompts::inputBox(const std::string& prompt, const std::string& title,
                                    const std::string& defaultText) {
    bool accepted = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), qt(title), qt(prompt),
                                               QLineEdit::Normal, qt(defaultText), &accepted);
    return accepted ? text.toStdString() : std::string();
}

std::string DialogPrompts::browseFolder(const std::string& title, const std::string& startFolder) {
    return orv::cBrowseFolders().BrowseFolders(QApplication::activeWindow(), title, startFolder);
}

std::string DialogPrompts::openFileName(const std::string& title) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), qt(title)).toStdString();
}

std::string DialogPrompts::saveFileName(const std::string& title,
                                        const std::string& suggestedName) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), qt(title), qt(suggestedName))
        .toStdString();
}

void DialogPrompts::beep() {
    QApplication::beep();
}

}  // namespace tornel
