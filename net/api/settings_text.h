#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The settings text of cSettings: sections of <key>value</key> entries inside
// <Settings>, nothing escaped.
namespace qel::settings_text {

inline constexpr std::string_view kRootStart = "<Settings>";
inline constexpr std::string_view kRootEnd = "</Settings>";

// "</" + key + ">".
inline std::string endTag(std::string_view key) {
    std::string tag = "</";
    tag.append(key).append(">");
    return tag;
}

struct TextEntry {
    std::string key;
    std::string value;
    friend bool operator==(const TextEntry&, const TextEntry&) = default;
};

struct TextSection {
    std::string name;
    std::vector<TextEntry> entries;
    friend bool operator==(const TextSection&, const TextSection&) = default;
};

struct ReadResult {
    std::vector<TextSection> sections;
    // False when a tag never closes; the sections and entries before it are kept.
    bool complete = false;
};

// The sections and entries of a settings text, in the order they appear.
//
// Outside a section any tag opens one (a name met twice gives two sections).
// Inside, the section's own end tag (exact case) closes it; any other tag
// starts an entry whose value runs to the entry's own end tag, matched
// without regard to case, so every value cSettings writes reads back whole.
// A tag with no end tag of its own runs to the next "</…>" and reads as an
// entry with an empty key and value. Text between tags is skipped; a section
// that never closes runs to the end.
ReadResult readSettingsText(std::string_view text);

// The same reading, handing each section to `visit` as soon as it is whole
// (a section that never closes, at the end), so that a long text is never
// held as sections all at once. False when a tag never closes.
bool visitSettingsSections(std::string_view text, const std::function<void(TextSection&&)>& visit);

// The position of `pattern` in `text` at or after `from`, ignoring ASCII case;
// npos when it is not there.
size_t findIgnoringCase(std::string_view text, std::string_view pattern, size_t from = 0);

}  // namespace qel::settings_text
