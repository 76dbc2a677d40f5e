#pragma once

#include <QString>

namespace tornel::ui {

// The object name of a control: its name, with the index of an array
// element in brackets ("btnTop(2)"), so tests find it with findChild.
inline QString controlName(const QString& name, int index) {
    return index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index);
}

}  // namespace tornel::ui
