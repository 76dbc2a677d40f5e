#pragma once

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QStyleFactory>

namespace tornel::test {

// Windows under test and on the screens look the same on every machine:
// the Fusion style, DejaVu Sans, the C locale. (The offscreen platform
// itself is 96 dpi.)
inline void applyWindowLook() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(9);
    QApplication::setFont(font);
    QLocale::setDefault(QLocale::c());
}

}  // namespace tornel::test
