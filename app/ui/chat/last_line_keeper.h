#pragma once

class QPlainTextEdit;

namespace tornel::ui {

// Keeps the newest line of `conversation` in view while the box changes
// size, as long as it was in view before: a resize that wraps the lines
// anew no longer leaves the end scrolled away. A conversation the user
// scrolled back in stays where it is.
void keepLastLineInView(QPlainTextEdit& conversation);

}  // namespace tornel::ui
