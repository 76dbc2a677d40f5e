#pragma once

#include <QString>

namespace tornel::ui {

class Skin;

namespace pictures {
// The header picture of the access confirmation prompt.
inline const QString kConfirmHeader = QStringLiteral("prompt.confirm");
}  // namespace pictures

// Draws the pictures of the access confirmation prompt into `skin`.
void addConfirmPictures(Skin& skin);

}  // namespace tornel::ui
