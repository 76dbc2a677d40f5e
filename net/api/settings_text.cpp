#include "settings_text.h"

#include "platform/ascii.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace qel::settings_text {
namespace {

constexpr size_t npos = std::string_view::npos;

// The root tags are the first start tag and the last end tag, so a value or
// a section that holds the same text keeps it.
std::string withoutRootTags(std::string_view text) {
    std::string inner(text);
    if (const size_t end = inner.rfind(kRootEnd); end != npos) {
        inner.erase(end, kRootEnd.size());
    }
    if (const size_t start = inner.find(kRootStart); start != npos) {
        inner.erase(start, kRootStart.size());
    }
    return inner;
}

// Finds entries' own end tags. Over a text cSettings wrote, the searches
// cover it once in all; a text of start tags without end tags would make
// every search run to the end, so once they have covered the text several
// times over, searching stops and the reader keeps to the element rule.
class EndTagSearch {
  public:
    explicit EndTagSearch(std::string_view text)
        : upperText_(platform::asciiUpper(text)), budget_(8 * text.size() + 65536) {}

    // The position of the end tag of `key` at or after `from`; npos when it is
    // not there or the budget is spent.
    size_t find(std::string_view key, size_t from) {
        if (budget_ == 0) {
            return npos;
        }
        const std::string tag = endTag(platform::asciiUpper(key));
        const size_t found = upperText_.find(tag, from);
        const size_t searchedTo = found == npos ? upperText_.size() : found + tag.size();
        budget_ -= std::min(budget_, searchedTo - std::min(from, searchedTo));
        return found;
    }

  private:
    std::string upperText_;
    size_t budget_;
};

// The name of a tag: from after its "<" up to its first ">".
std::string_view nameFromXML(std::string_view tag) {
    return tag.substr(1, tag.find('>') - 1);
}

// One element, from its "<" through the ">" of the first "</…>" after it:
// the value runs to the key's own end tag; without one inside the element,
// key and value are empty.
TextEntry fromXML(std::string_view element) {
    const std::string_view key = nameFromXML(element);
    const size_t valueStart = key.size() + 2;
    const size_t valueEnd = findIgnoringCase(element, endTag(key), valueStart);
    if (valueEnd == npos) {
        return {};
    }
    return {std::string(key), std::string(element.substr(valueStart, valueEnd - valueStart))};
}

bool isEndTagOf(std::string_view tagName, std::string_view section) {
    return tagName.size() == section.size() + 1 && tagName.front() == '/' &&
           tagName.substr(1) == section;
}

// Reads the entry whose start tag spans [tagStart, tagEnd] into `section`;
// gives the position after it, or npos when it never ends.
size_t readEntry(std::string_view text, size_t tagStart, size_t tagEnd, EndTagSearch& endTags,
                 TextSection& section) {
    const std::string_view key = text.substr(tagStart + 1, tagEnd - tagStart - 1);
    if (const size_t valueEnd = endTags.find(key, tagEnd + 1); valueEnd != npos) {
        section.entries.push_back(
            {std::string(key), std::string(text.substr(tagEnd + 1, valueEnd - tagEnd - 1))});
        return valueEnd + key.size() + 3;
    }
    const size_t endMark = text.find("</", tagStart);
    const size_t elementEnd = endMark == npos ? npos : text.find('>', endMark);
    if (elementEnd != npos) {
        section.entries.push_back(fromXML(text.substr(tagStart, elementEnd - tagStart + 1)));
        return elementEnd + 1;
    }
    return npos;
}

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kSectionIndent = "\r\n  ";
constexpr std::string_view kEntryIndent = "\r\n    ";
constexpr std::string_view kCountKey = "Count";

// The decimal text of an element's index, without allocating.
class IndexText {
  public:
    explicit IndexText(size_t index) {
        length_ = static_cast<size_t>(std::to_chars(digits_, digits_ + sizeof digits_, index).ptr -
                                      digits_);
    }
    std::string_view view() const { return {digits_, length_}; }

  private:
    char digits_[24];
    size_t length_ = 0;
};

void appendElement(std::string& text, std::string_view key, std::string_view value) {
    text.append(kEntryIndent).append("<").append(key).append(">").append(value);
    text.append("</").append(key).append(">");
}

// Whether SaveSetting takes `value` under `key`: it refuses a value holding
// its key's end tag.
bool holdsOwnEndTag(std::string_view value, std::string_view key) {
    return value.find("</") != npos && findIgnoringCase(value, endTag(key)) != npos;
}

// Moves `at` past `expected` when the text goes on with it.
bool skip(std::string_view text, size_t& at, std::string_view expected) {
    if (text.substr(at, expected.size()) != expected) {
        return false;
    }
    at += expected.size();
    return true;
}

// The value of the element `key` starting at `at` ("<key>value</key>"),
// moving `at` past it; the value runs to the key's first end tag.
std::optional<std::string_view> element(std::string_view text, size_t& at, std::string_view key) {
    if (!skip(text, at, "<") || !skip(text, at, key) || !skip(text, at, ">")) {
        return std::nullopt;
    }
    // Indices are digits, which have no case; only "Count" needs the slow search.
    const std::string tag = endTag(key);
    const size_t end = key == kCountKey ? findIgnoringCase(text, tag, at) : text.find(tag, at);
    if (end == npos) {
        return std::nullopt;
    }
    const std::string_view value = text.substr(at, end - at);
    at = end + tag.size();
    return value;
}

}  // namespace

std::string arrayText(std::string_view key, const std::vector<std::string>& values) {
    std::string text(kRootStart);
    if (key.find_first_of("<>\r\n") != npos) {
        return text.append(kLineBreak).append(kRootEnd);
    }
    const std::string count = std::to_string(static_cast<int64_t>(values.size()) - 1);
    size_t size = 2 * kRootStart.size() + 2 * (kSectionIndent.size() + key.size() + 3) +
                  kEntryIndent.size() + 2 * kCountKey.size() + count.size() + 5 + kLineBreak.size();
    for (size_t i = 0; i < values.size(); ++i) {
        size += kEntryIndent.size() + 2 * IndexText(i).view().size() + 5 + values[i].size();
    }
    text.reserve(size);
    text.append(kSectionIndent).append("<").append(key).append(">");
    appendElement(text, kCountKey, count);
    for (size_t i = 0; i < values.size(); ++i) {
        const IndexText index(i);
        if (!holdsOwnEndTag(values[i], index.view())) {
            appendElement(text, index.view(), values[i]);
        }
    }
    text.append(kSectionIndent).append("</").append(key).append(">");
    return text.append(kLineBreak).append(kRootEnd);
}

std::optional<StringArray> readArrayText(std::string_view text, std::string_view key) {
    size_t at = 0;
    if (!skip(text, at, kRootStart) || !skip(text, at, kSectionIndent) || !skip(text, at, "<") ||
        !skip(text, at, key) || !skip(text, at, ">") || !skip(text, at, kEntryIndent)) {
        return std::nullopt;
    }
    const std::optional<std::string_view> count = element(text, at, kCountKey);
    size_t upperBound = 0;
    if (!count || count->empty() ||
        std::from_chars(count->data(), count->data() + count->size(), upperBound).ptr !=
            count->data() + count->size() ||
        IndexText(upperBound).view() != *count || upperBound > text.size()) {
        return std::nullopt;
    }
    std::vector<std::string> values;
    values.reserve(upperBound + 1);
    for (size_t i = 0; i <= upperBound; ++i) {
        const std::optional<std::string_view> value =
            skip(text, at, kEntryIndent) ? element(text, at, IndexText(i).view()) : std::nullopt;
        if (!value) {
            return std::nullopt;
        }
        values.emplace_back(*value);
    }
    if (!skip(text, at, kSectionIndent) || !skip(text, at, "</") || !skip(text, at, key) ||
        !skip(text, at, ">") || !skip(text, at, kLineBreak) || !skip(text, at, kRootEnd) ||
        at != text.size()) {
        return std::nullopt;
    }
    return values;
}

size_t findIgnoringCase(std::string_view text, std::string_view pattern, size_t from) {
    if (from > text.size()) {
        return npos;
    }
    const auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                                   pattern.begin(), pattern.end(), [](char a, char b) {
                                       return platform::asciiUpper(a) == platform::asciiUpper(b);
                                   });
    return found == text.end() && !pattern.empty() ? npos
                                                   : static_cast<size_t>(found - text.begin());
}

namespace {

// Counts what a reading has built against its bounds.
class ReadBudget {
  public:
    explicit ReadBudget(const ReadBounds& bounds) : left_(bounds) {}

    bool takeSection(std::string_view name) { return take(left_.sections, name.size()); }
    bool takeEntry(const TextEntry& entry) {
        return take(left_.entries, entry.key.size() + entry.value.size());
    }

  private:
    bool take(size_t& records, size_t bytes) {
        if (records == 0 || bytes > left_.bytes) {
            return false;
        }
        --records;
        left_.bytes -= bytes;
        return true;
    }

    ReadBounds left_;
};

}  // namespace

bool visitSettingsSections(std::string_view original,
                           const std::function<void(TextSection&&)>& visit,
                           const ReadBounds& bounds) {
    const std::string inner = withoutRootTags(original);
    const std::string_view text = inner;
    EndTagSearch endTags(text);
    ReadBudget budget(bounds);
    TextSection open;  // the section being read, while inSection
    bool inSection = false;
    const auto handOver = [&] {
        if (inSection) {
            inSection = false;
            visit(std::exchange(open, TextSection{}));
        }
    };
    size_t position = 0;
    while (true) {
        const size_t tagStart = text.find('<', position);
        if (tagStart == npos) {
            handOver();
            return true;
        }
        const size_t tagEnd = text.find('>', tagStart);
        if (tagEnd == npos) {
            handOver();
            return false;
        }
        const std::string_view name = text.substr(tagStart + 1, tagEnd - tagStart - 1);
        if (!inSection) {
            if (!budget.takeSection(name)) {
                return false;
            }
            open.name = name;
            inSection = true;
            position = tagEnd + 1;
        } else if (isEndTagOf(name, open.name)) {
            handOver();
            position = tagEnd + 1;
        } else {
            position = readEntry(text, tagStart, tagEnd, endTags, open);
            if (position == npos || !budget.takeEntry(open.entries.back())) {
                if (position != npos) {
                    open.entries.pop_back();
                }
                handOver();
                return false;
            }
        }
    }
}

ReadResult readSettingsText(std::string_view text, const ReadBounds& bounds) {
    ReadResult result;
    result.complete = visitSettingsSections(
        text, [&result](TextSection&& section) { result.sections.push_back(std::move(section)); },
        bounds);
    return result;
}

}  // namespace qel::settings_text
