#include "settings_text.h"

#include "platform/ascii.h"

#include <algorithm>
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

}  // namespace

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

bool visitSettingsSections(std::string_view original,
                           const std::function<void(TextSection&&)>& visit) {
    const std::string inner = withoutRootTags(original);
    const std::string_view text = inner;
    EndTagSearch endTags(text);
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
            open.name = name;
            inSection = true;
            position = tagEnd + 1;
        } else if (isEndTagOf(name, open.name)) {
            handOver();
            position = tagEnd + 1;
        } else {
            position = readEntry(text, tagStart, tagEnd, endTags, open);
            if (position == npos) {
                handOver();
                return false;
            }
        }
    }
}

ReadResult readSettingsText(std::string_view text) {
    ReadResult result;
    result.complete = visitSettingsSections(
        text, [&result](TextSection&& section) { result.sections.push_back(std::move(section)); });
    return result;
}

}  // namespace qel::settings_text
