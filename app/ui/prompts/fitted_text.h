#pragma once

#include <QFont>
#include <QString>

namespace tornel::ui {

// `text` broken into at most `maxLines` lines of at most `width` pixels in
// `font`, at word boundaries where it can and anywhere else (a long path
// has no spaces). Text that does not fit loses its middle to "…", so its
// beginning (the name) and its end (the file) stay readable.
QString fittedLines(const QString& text, const QFont& font, int width, int maxLines);

// The sentence `name` + `verb` + `path` fitted the same way, where what must
// stay readable is the verb and the file: the name is shortened first (its
// end giving way to "…", down to a few characters), then the middle of the
// path's folders, then the middle of the file name.
QString fittedRequest(const QString& name, const QString& verb, const QString& path,
                      const QFont& font, int width, int maxLines);

}  // namespace tornel::ui
