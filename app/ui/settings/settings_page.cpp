#include "ui/settings/settings_page.h"

#include "ui/controls/make_child.h"

#include <QHBoxLayout>
#include <QLabel>

namespace tornel::ui {

namespace {

constexpr int kPageMargin = 14;
constexpr int kSectionGap = 14;
constexpr int kIndent = 14;
constexpr int kNumberWidth = 64;

QLabel* plainLabel(QWidget* parent, const QString& text) {
    QLabel* label = makeChild<QLabel>(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

}  // namespace

SettingsPage::SettingsPage(QWidget* parent)
    : QWidget(parent), column_(makeChild<QVBoxLayout>(this)) {
    column_->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    column_->setSpacing(6);
}

QWidget* SettingsPage::heading(const QString& title, const QString& note) {
    QWidget* headingRow = makeChild<QWidget>(this);
    auto* row = makeChild<QHBoxLayout>(headingRow);
    row->setContentsMargins(0, 0, 0, 0);
    QLabel* titleLabel = plainLabel(headingRow, title);
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    row->addWidget(titleLabel);
    if (!note.isEmpty()) {
        QLabel* noteLabel = plainLabel(headingRow, note);
        noteLabel->setForegroundRole(QPalette::PlaceholderText);
        row->addWidget(noteLabel);
    }
    row->addStretch(1);
    return headingRow;
}

QGridLayout* SettingsPage::addSection(const QString& title, const QString& note) {
    if (column_->count() > 0) {
        column_->addSpacing(kSectionGap);
    }
    if (!title.isEmpty()) {
        column_->addWidget(heading(title, note));
    }

    QWidget* body = makeChild<QWidget>(this);
    auto* rows = makeChild<QGridLayout>(body);
    rows->setContentsMargins(title.isEmpty() ? 0 : kIndent, 0, 0, 0);
    rows->setHorizontalSpacing(8);
    rows->setVerticalSpacing(6);
    column_->addWidget(body);
    return rows;
}

void SettingsPage::finish(QGridLayout* growing) {
    if (growing && growing->parentWidget()) {
        column_->setStretchFactor(growing->parentWidget(), 1);
    } else {
        column_->addStretch(1);
    }
}

QLineEdit* SettingsPage::textBox(const QString& name) {
    QLineEdit* box = makeChild<QLineEdit>(this);
    box->setObjectName(name);
    return box;
}

QLineEdit* SettingsPage::numberBox(const QString& name) {
    QLineEdit* box = textBox(name);
    box->setFixedWidth(kNumberWidth);
    return box;
}

QPushButton* SettingsPage::button(const QString& name, const QString& caption) {
    QPushButton* made = makeChild<QPushButton>(this);
    made->setText(caption);
    made->setObjectName(name);
    return made;
}

QCheckBox* SettingsPage::checkBox(const QString& name, const QString& caption) {
    QCheckBox* box = makeChild<QCheckBox>(this);
    box->setText(caption);
    box->setObjectName(name);
    return box;
}

QListWidget* SettingsPage::listBox(const QString& name) {
    QListWidget* list = makeChild<QListWidget>(this);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QWidget* SettingsPage::caption(const QString& text) {
    return plainLabel(this, text);
}

void addLine(QListWidget& list, const std::string& text) {
    auto* line = makeChild<QListWidgetItem>(&list);
    const QString shown = QString::fromStdString(text);
    line->setText(shown.isEmpty() ? QStringLiteral(".") : shown);
    line->setData(Qt::UserRole, shown);
}

std::vector<std::string> linesOf(const QListWidget& list) {
    std::vector<std::string> lines;
    lines.reserve(size_t(list.count()));
    for (int row = 0; row < list.count(); ++row) {
        lines.push_back(list.item(row)->data(Qt::UserRole).toString().toStdString());
    }
    return lines;
}

}  // namespace tornel::ui
