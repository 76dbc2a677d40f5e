#pragma once

#include "qellib/variant.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The settings text of cSettings: sections of <key>value</key> entries inside
// <Settings>, nothing escaped.
namespace qel::settings_text {

inline constexpr std::string_view kRootStart = "<Settings>";
inline constexpr std::string_view kRootEnd = "</Settings>";

// Lengths of the pieces of the settings text: a section's two lines (CR LF,
// "  <" name ">" and CR LF, "  </" name ">"), and one entry's line (CR LF,
// four spaces, "<" key ">" value "</" key ">").
inline size_t sectionTextLength(std::string_view name) {
    return 13 + 2 * name.size();
}
inline size_t entryTextLength(std::string_view key, size_t valueLength) {
    return 11 + 2 * key.size() + valueLength;
}

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

// The most sections one reading builds (a store's sections have 16-bit
// indices), and the most entries: more than 16 bits, for long listings, yet
// far from the millions a text of tiny tags would make.
inline constexpr size_t MaxSections = 32766;
inline constexpr size_t MaxEntries = 65536;
// The most bytes of section names, keys and values one reading builds.
inline constexpr size_t MaxReadBytes = 32 * 1024 * 1024;

// What one reading may build, in all, before it stops as it stops at a tag
// that never closes: a peer's text of tiny tags costs no more than these.
struct ReadBounds {
    size_t sections = MaxSections;
    size_t entries = MaxEntries;
    size_t bytes = MaxReadBytes;
};

struct ReadResult {
    std::vector<TextSection> sections;
    // False when a tag never closes or a bound is reached; the sections and
    // entries before it are kept.
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
// that never closes runs to the end. Reading stops at the first section,
// entry or byte beyond `bounds`.
ReadResult readSettingsText(std::string_view text, const ReadBounds& bounds = {});

// The settings text cSettings writes for a store holding only `values`
// saved by SaveSettingArray(key, values), written once into a buffer
// reserved whole: for long arrays (listings) the store's entry by entry
// bookkeeping costs far more than the text. An element SaveSetting would
// refuse (a value holding its own end tag) is left out as there; a key that
// cannot name a section gives the text of an empty store.
std::string arrayText(std::string_view key, const std::vector<std::string>& values);

// The array of a settings text exactly as arrayText writes it with every
// element present: what cSettings' LoadXML and GetSettingArray(key) give
// for it, read without building a store. None for a text of any other
// shape, which the caller reads through cSettings.
std::optional<StringArray> readArrayText(std::string_view text, std::string_view key);

// The same reading, handing each section to `visit` as soon as it is whole
// (a section that never closes, at the end), so that a long text is never
// held as sections all at once. False when a tag never closes or `bounds`
// (counted over the whole text) are reached.
bool visitSettingsSections(std::string_view text, const std::function<void(TextSection&&)>& visit,
                           const ReadBounds& bounds = {});

// The position of `pattern` in `text` at or after `from`, ignoring ASCII case;
// npos when it is not there.
size_t findIgnoringCase(std::string_view text, std::string_view pattern, size_t from = 0);

}  // namespace qel::settings_text
