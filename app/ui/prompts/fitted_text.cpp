#include "ui/prompts/fitted_text.h"

#include <QStringList>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <optional>

namespace tornel::ui {
namespace {

const QChar kEllipsis(0x2026);

// A name is not shortened below this many characters before the path is.
constexpr qsizetype kShortestName = 12;

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

// The largest k in [low, high] for which `fits(k)` holds, where it holds for
// every k up to some point; nothing when it does not hold for `low`.
template <class Fits>
std::optional<qsizetype> largestFitting(qsizetype low, qsizetype high, Fits fits) {
    if (!fits(low)) {
        return std::nullopt;
    }
    while (low < high) {
        const qsizetype middle = low + (high - low + 1) / 2;
        if (fits(middle)) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return low;
}

// `text` with only its first `kept` characters, and "…" when that cuts it.
QString withEndCut(const QString& text, qsizetype kept) {
    return kept >= text.size() ? text : text.left(kept) + kEllipsis;
}

}  // namespace

QString fittedRequest(const QString& name, const QString& verb, const QString& path,
                      const QFont& font, int width, int maxLines) {
    const auto lines = [&](const QString& text) {
        return layoutLines(text, font, width, maxLines);
    };
    const auto fits = [&](const QString& text) { return lines(text).has_value(); };
    const auto joined = [&](const QString& text) { return lines(text)->join(u'\n'); };
    const QString whole = name + verb + path;
    if (fits(whole)) {
        return joined(whole);
    }
    const qsizetype shortestName = std::min(name.size(), kShortestName);
    const auto withName = [&](qsizetype kept) { return withEndCut(name, kept) + verb + path; };
    if (const auto kept = largestFitting(shortestName, name.size(), [&](qsizetype k) {
            return fits(withName(k));
        })) {
        return joined(withName(*kept));
    }
    const QString shortName = withEndCut(name, shortestName);
    const qsizetype fileStart = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1;
    const QString folders = path.left(fileStart);
    const QString file = path.mid(fileStart);
    const auto withFolders = [&](qsizetype kept) {
        return shortName + verb + withoutMiddle(folders, kept) + file;
    };
    if (!folders.isEmpty()) {
        if (const auto kept = largestFitting(0, folders.size() - 1,
                                             [&](qsizetype k) { return fits(withFolders(k)); })) {
            return joined(withFolders(*kept));
        }
    }
    const QString shortFolders = folders.isEmpty() ? QString() : QString(kEllipsis);
    const auto withFile = [&](qsizetype kept) {
        return shortName + verb + shortFolders + withoutMiddle(file, kept);
    };
    if (const auto kept =
            largestFitting(0, file.size() - 1, [&](qsizetype k) { return fits(withFile(k)); })) {
        return joined(withFile(*kept));
    }
    return fittedLines(whole, font, width, maxLines);
}

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
