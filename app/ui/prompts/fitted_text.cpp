#include "ui/prompts/fitted_text.h"

#include <QStringList>
#include <QTextLayout>
#include <QTextOption>

#include <optional>

namespace tornel::ui {
namespace {

const QChar kEllipsis(0x2026);

// The lines `text` takes, or nothing when it needs more than `maxLines`.
std::optional<QStringList> layoutLines(const QString& text, const QFont& font, int width,
                                       int maxLines) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines) {
            layout.endLayout();
            return std::nullopt;
        }
        lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

// `text` with all but `kept` of its characters replaced by "…" in the middle.
QString withoutMiddle(const QString& text, qsizetype kept) {
    const qsizetype head = (kept + 1) / 2;
    const qsizetype tail = kept - head;
    return text.left(head) + kEllipsis + text.right(tail);
}

}  // namespace

QString fittedLines(const QString& text, const QFont& font, int width, int maxLines) {
    if (const std::optional<QStringList> lines = layoutLines(text, font, width, maxLines)) {
        return lines->join(u'\n');
    }
    // The longest shortened text that fits, found by halving the range.
    qsizetype fits = 0;
    qsizetype tooLong = text.size();
    while (tooLong - fits > 1) {
        const qsizetype kept = fits + (tooLong - fits) / 2;
        if (layoutLines(withoutMiddle(text, kept), font, width, maxLines)) {
            fits = kept;
        } else {
            tooLong = kept;
        }
    }
    return layoutLines(withoutMiddle(text, fits), font, width, maxLines)
        .value_or(QStringList{QString(kEllipsis)})
        .join(u'\n');
}

}  // namespace tornel::ui
