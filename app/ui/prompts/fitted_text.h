#pragma once

#include <QFont>
#include <QString>

namespace tornel::ui {

// `text` broken into at most `maxLines` lines of at most `width` pixels in
// `font`, at word boundaries where it can and anywhere else (a long path
// has no spaces). Text that does not fit loses its middle to "…", so its
// beginning (the name) and its end (the file) stay readable.
QString fittedLines(const QString& text, const QFont& font, int width, int maxLines);

}  // namespace tornel::ui
