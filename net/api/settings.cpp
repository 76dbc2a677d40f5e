#include "qellib/settings.h"

#include "product.h"
#include "settings_text.h"

#include "platform/ascii.h"
#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/runtime_error.h"

#include <algorithm>
#include <cerrno>
#include <new>

namespace qel {
namespace {

using settings_text::endTag;
using settings_text::findIgnoringCase;

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kCount = "Count";
constexpr std::string_view kFileInfo = "FileInfo";
constexpr std::string_view kFormatVersion = "2.4";

// The class's own error numbers; the others are the runtime's.
constexpr int kNotFound = 2;
constexpr int kFileNotFound = 3;
constexpr int kCorrupt = 4;

// Errors of this class are swallowed: callers see only default results. They
// all pass here, the place to watch them while debugging.
void reportError(int /*number*/, std::string_view /*description*/, std::string_view /*source*/) {}

void reportError(int number, std::string_view source) {
    reportError(number, platform::errorText(number), source);
}

// Runs `body`, swallowing whatever it throws; results the body has not set
// keep their defaults.
template <typename Body>
void trapped(std::string_view source, Body&& body) noexcept {
    try {
        body();
    } catch (const platform::RuntimeError& error) {
        reportError(error.number(), error.description(), source);
    } catch (const std::bad_alloc&) {
        reportError(platform::rt::OutOfMemory, "Out of memory", source);
    } catch (const std::exception& error) {
        reportError(platform::rt::InvalidProcedureCall, error.what(), source);
    }
}

void appendUpper(std::string& out, std::string_view text) {
    for (const char c : text) {
        out += platform::asciiUpper(c);
    }
}

// (section, key) upper-cased, the section's length first so no two pairs share a key.
std::string entryKey(std::string_view section, std::string_view name) {
    std::string key = std::to_string(section.size());
    key += ':';
    appendUpper(key, section);
    appendUpper(key, name);
    return key;
}

// A whole number stored as one, or as its decimal text.
std::optional<int64_t> wholeNumber(const Variant& value) {
    if (const auto* number = std::get_if<int64_t>(&value)) {
        return *number;
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return parseInt64(*text);
    }
    return std::nullopt;
}

// Markup or a line break in a name would break the text it is written into.
bool isWritableName(std::string_view name) {
    return name.find_first_of("<>\r\n") == std::string_view::npos;
}

// A key must not hold a space either, nor read as its section's end tag.
bool isWritableKey(std::string_view key, std::string_view section) {
    const bool closesSection =
        key.starts_with('/') && platform::asciiEqualsIgnoreCase(key.substr(1), section);
    return isWritableName(key) && key.find(' ') == std::string_view::npos && !closesSection;
}

// The length of an empty store's settings text.
size_t rootTextLength() {
    return settings_text::kRootStart.size() + kCrLf.size() + settings_text::kRootEnd.size();
}

// Every value that reaches the store has a text form.
size_t textLengthOf(const Variant& value) {
    if (const auto* stored = std::get_if<std::string>(&value)) {
        return stored->size();
    }
    const std::optional<std::string> text = toText(value);
    return text ? text->size() : 0;
}

// Appends the record at `index`, the last in its table, to the chain.
template <class Record, class Link, class Chain>
void appendToChain(Chain& chain, std::vector<Record>& records, size_t index, Link Record::*link) {
    (records[index].*link).previous = chain.tail;
    if (chain.tail != static_cast<size_t>(-1)) {
        (records[chain.tail].*link).next = index;
    } else {
        chain.head = index;
    }
    chain.tail = index;
}

template <class Record, class Link, class Chain>
void unlinkFromChain(Chain& chain, std::vector<Record>& records, size_t index, Link Record::*link) {
    const Link removed = records[index].*link;
    if (removed.previous != static_cast<size_t>(-1)) {
        (records[removed.previous].*link).next = removed.next;
    } else {
        chain.head = removed.next;
    }
    if (removed.next != static_cast<size_t>(-1)) {
        (records[removed.next].*link).previous = removed.previous;
    } else {
        chain.tail = removed.previous;
    }
    records[index].*link = Link{};
}

}  // namespace

cSettings::cSettings() {
    resetClass();
}

std::string cSettings::getXML() const {
    std::string text;
    trapped("getXML", [&] { text = settingsText(); });
    return text;
}

void cSettings::SaveSettings(const std::string& path) {
    trapped("SaveSettings", [&] {
        SaveSetting("XMLSettingsVer", std::string(kFormatVersion), kFileInfo);
        SaveSetting("LastSaved", toText(currentDate()).value_or(std::string()), kFileInfo);
        SaveSetting("AppBuild", kProductRevision, kFileInfo);
        SaveSetting("AppName", std::string(kProductName), kFileInfo);
        const std::string text = settingsText();
        if (const int error = platform::writeFileAtomically(path, text); error != 0) {
            throw platform::errorFromErrno(error);
        }
    });
}

bool cSettings::LoadXML(std::string_view data) {
    bool complete = false;
    trapped("LoadXML", [&] {
        resetClass();
        settings_text::ReadResult read = settings_text::readSettingsText(data);
        for (settings_text::TextSection& section : read.sections) {
            const size_t sectionIndex = addSection(section.name, true);
            for (settings_text::TextEntry& entry : section.entries) {
                const size_t entryIndex =
                    addEntry(std::move(entry.key), section.name, std::move(entry.value));
                addEntryToSection(entryIndex, sectionIndex, true);
            }
        }
        if (!read.complete) {
            reportError(kCorrupt, "Corrupt or incompatible XMLSettings file", "LoadSettings");
        }
        complete = read.complete;
    });
    return complete;
}

bool cSettings::LoadSettings(const std::string& path) {
    bool complete = false;
    trapped("LoadSettings", [&] {
        std::string bytes;
        if (platform::readWholeFile(path, bytes) != 0) {
            reportError(kFileNotFound, "File Not Found: " + path, "LoadSettings");
            return;
        }
        complete = LoadXML(bytes);
    });
    return complete;
}

void cSettings::ClearPrevOnSave(bool value) {
    clearPrevOnSave_ = value;
}

void cSettings::SaveSetting(std::string_view name, const Variant& value, std::string_view section) {
    trapped("SaveSetting", [&] {
        if (!isWritableKey(name, section) || !isWritableName(section)) {
            reportError(platform::rt::InvalidProcedureCall, "Space characters not allowed in tag",
                        "SaveSetting");
            return;
        }
        const std::optional<std::string> text = toText(value);
        if (!text) {
            reportError(platform::rt::TypeMismatch, "SaveSetting");
            return;
        }
        if (findIgnoringCase(*text, endTag(name)) != std::string_view::npos) {
            reportError(platform::rt::InvalidProcedureCall, "End tag marker not allowed in data",
                        "SaveSetting");
            return;
        }
        const std::optional<size_t> existing =
            clearPrevOnSave_ ? std::nullopt : getEntryIndex(name, section);
        size_t entryIndex = 0;
        if (existing) {
            entryIndex = *existing;
            setValue(entryIndex, value);
            entries_[entryIndex].section = section;  // the same name, perhaps spelt otherwise
        } else {
            entryIndex = addEntry(std::string(name), std::string(section), value);
        }
        addEntryToSection(entryIndex, addSection(section, false), clearPrevOnSave_);
    });
}

void cSettings::DeleteSetting(std::string_view name, std::string_view section) {
    trapped("DeleteSetting", [&] {
        const std::optional<size_t> entryIndex = getEntryIndex(name, section);
        const std::optional<size_t> sectionIndex = getSectionIndex(section);
        if (entryIndex && sectionIndex) {
            removeEntry(*entryIndex);
        }
    });
}

StringArray cSettings::GetSettingArray(std::string_view key, const Variant& defaultValue) const {
    StringArray result;
    trapped("GetSettingArray", [&] {
        const std::optional<size_t> countIndex = getEntryIndex(kCount, key);
        if (!countIndex) {
            if (const auto* array = std::get_if<StringArray>(&defaultValue)) {
                result = *array;
            } else if (isMissing(defaultValue)) {
                reportError(kNotFound, "Setting array not found", "GetSettingArray");
            }
            return;
        }
        const std::optional<int64_t> count = wholeNumber(entries_[countIndex.value()].value);
        if (!count) {
            reportError(platform::rt::TypeMismatch, "GetSettingArray");
            return;
        }
        // A peer's Count is no reason to allocate: the section holds at most
        // that many elements besides Count itself.
        const std::optional<size_t> sectionIndex = getSectionIndex(key);
        const auto present =
            static_cast<int64_t>(sectionIndex ? sections_[*sectionIndex].liveListings : 0);
        const int64_t upperBound = std::min(*count, present - 1);
        StringArray values;
        values.reserve(static_cast<size_t>(std::max<int64_t>(upperBound + 1, 0)));
        for (int64_t i = 0; i <= upperBound; ++i) {
            const std::optional<size_t> element = getEntryIndex(std::to_string(i), key);
            std::optional<std::string> text =
                element ? toText(entries_[*element].value) : std::string();
            if (!text) {
                reportError(platform::rt::TypeMismatch, "GetSettingArray");
                return;
            }
            values.push_back(std::move(*text));
        }
        result = std::move(values);
    });
    return result;
}

void cSettings::SaveSettingArray(std::string_view key, const StringArray& values) {
    trapped("SaveSettingArray", [&] {
        SaveSetting(kCount, static_cast<int64_t>(values.size()) - 1, key);
        for (size_t i = 0; i < values.size(); ++i) {
            SaveSetting(std::to_string(i), values[i], key);
        }
    });
}

Variant cSettings::GetSetting(std::string_view name, const Variant& defaultValue,
                              std::string_view section) const {
    Variant result = Empty{};
    trapped("GetSetting", [&] {
        if (const std::optional<size_t> entryIndex = getEntryIndex(name, section)) {
            result = entries_[*entryIndex].value;
        } else if (!isMissing(defaultValue)) {
            result = defaultValue;
        } else {
            reportError(kNotFound, "Setting not found", "GetSetting");
        }
    });
    return result;
}

StringArray cSettings::ListSections(bool includeCommon) const {
    StringArray result;
    trapped("ListSections", [&] {
        StringArray names{std::string()};
        for (const Section& section : sections_) {
            if (section.live &&
                (includeCommon || !platform::asciiEqualsIgnoreCase(section.name, "COMMON"))) {
                names.push_back(section.name);
            }
        }
        result = std::move(names);
    });
    return result;
}

void cSettings::resetClass() {
    entries_.clear();
    sections_.clear();
    listings_.clear();
    removed_ = 0;
    liveSections_ = 0;
    textLength_ = rootTextLength();
    rebuildIndexes();
}

// The chains of every live record, in table order.
void cSettings::rebuildIndexes() {
    entryIndex_.clear();
    sectionIndex_.clear();
    for (size_t e = 0; e < entries_.size(); ++e) {
        if (entries_[e].live) {
            appendToChain(entryIndex_[entryKey(entries_[e].section, entries_[e].name)], entries_, e,
                          &Entry::sameKey);
        }
    }
    for (size_t s = 0; s < sections_.size(); ++s) {
        if (sections_[s].live) {
            appendToChain(sectionIndex_[platform::asciiUpper(sections_[s].name)], sections_, s,
                          &Section::sameName);
        }
    }
}

std::optional<size_t> cSettings::getEntryIndex(std::string_view name,
                                               std::string_view section) const {
    const auto found = entryIndex_.find(entryKey(section, name));
    return found != entryIndex_.end() ? std::optional(found->second.head) : std::nullopt;
}

std::optional<size_t> cSettings::getSectionIndex(std::string_view name) const {
    const auto found = sectionIndex_.find(platform::asciiUpper(name));
    return found != sectionIndex_.end() ? std::optional(found->second.head) : std::nullopt;
}

size_t cSettings::addSection(std::string_view name, bool forceNew) {
    std::string key = platform::asciiUpper(name);
    if (!forceNew) {
        if (const auto found = sectionIndex_.find(key); found != sectionIndex_.end()) {
            return found->second.head;
        }
    }
    const size_t index = sections_.size();
    sections_.push_back({std::string(name), true, {}, {}, 0});
    appendToChain(sectionIndex_[std::move(key)], sections_, index, &Section::sameName);
    ++liveSections_;
    textLength_ += settings_text::sectionTextLength(name);
    return index;
}

size_t cSettings::addEntry(std::string name, std::string section, Variant value) {
    const size_t index = entries_.size();
    const size_t valueLength = textLengthOf(value);
    std::string key = entryKey(section, name);
    entries_.push_back(
        {std::move(name), std::move(section), std::move(value), valueLength, true, {}, None});
    appendToChain(entryIndex_[std::move(key)], entries_, index, &Entry::sameKey);
    return index;
}

bool cSettings::entryInSection(size_t entry, size_t section) const {
    for (size_t l = entries_[entry].firstListing; l != None; l = listings_[l].nextOfEntry) {
        if (listings_[l].live && listings_[l].section == section) {
            return true;
        }
    }
    return false;
}

void cSettings::addEntryToSection(size_t entry, size_t section, bool skipCheck) {
    if (!skipCheck && entryInSection(entry, section)) {
        return;
    }
    const size_t listing = listings_.size();
    listings_.push_back({section, entry, entries_[entry].firstListing, true});
    entries_[entry].firstListing = listing;
    sections_[section].listings.push_back(listing);
    ++sections_[section].liveListings;
    textLength_ +=
        settings_text::entryTextLength(entries_[entry].name, entries_[entry].valueLength);
}

// A new value for an entry: its text changes in every section that lists it.
void cSettings::setValue(size_t entry, const Variant& value) {
    Entry& changed = entries_[entry];
    const size_t length = textLengthOf(value);
    for (size_t l = changed.firstListing; l != None; l = listings_[l].nextOfEntry) {
        if (listings_[l].live) {
            textLength_ = textLength_ - changed.valueLength + length;
        }
    }
    changed.value = value;
    changed.valueLength = length;
}

// Takes the entry out of every section that lists it, dropping sections left
// empty, then out of the table. Nothing is renumbered.
void cSettings::removeEntry(size_t entry) {
    Entry& removed = entries_[entry];
    for (size_t l = removed.firstListing; l != None; l = listings_[l].nextOfEntry) {
        Listing& listing = listings_[l];
        if (!listing.live) {
            continue;
        }
        listing.live = false;
        ++removed_;
        textLength_ -= settings_text::entryTextLength(removed.name, removed.valueLength);
        if (--sections_[listing.section].liveListings == 0) {
            removeSection(listing.section);
        }
    }
    const auto chain = entryIndex_.find(entryKey(removed.section, removed.name));
    unlinkFromChain(chain->second, entries_, entry, &Entry::sameKey);
    if (chain->second.head == None) {
        entryIndex_.erase(chain);
    }
    removed.live = false;
    removed.value = Empty{};
    ++removed_;
    compactWhenMostlyRemoved();
}

void cSettings::removeSection(size_t section) {
    Section& removed = sections_[section];
    const auto chain = sectionIndex_.find(platform::asciiUpper(removed.name));
    unlinkFromChain(chain->second, sections_, section, &Section::sameName);
    if (chain->second.head == None) {
        sectionIndex_.erase(chain);
    }
    removed.live = false;
    --liveSections_;
    textLength_ -= settings_text::sectionTextLength(removed.name);
    ++removed_;
}

// Compacting costs as much as the records it keeps, and happens only once
// the removed ones outnumber them.
void cSettings::compactWhenMostlyRemoved() {
    constexpr size_t kFewRemoved = 64;
    const size_t records = entries_.size() + sections_.size() + listings_.size();
    if (removed_ > kFewRemoved && removed_ > records - removed_) {
        compact();
    }
}

// Drops the removed records, keeping the order of the rest.
void cSettings::compact() {
    std::vector<size_t> entryAt(entries_.size(), None);
    std::vector<Entry> entries;
    for (size_t e = 0; e < entries_.size(); ++e) {
        if (entries_[e].live) {
            entryAt[e] = entries.size();
            entries.push_back(std::move(entries_[e]));
            entries.back().sameKey = {};
            entries.back().firstListing = None;
        }
    }
    std::vector<Section> sections;
    std::vector<Listing> listings;
    for (Section& section : sections_) {
        if (!section.live) {
            continue;
        }
        const size_t index = sections.size();
        std::vector<size_t> kept;
        kept.reserve(section.liveListings);
        for (const size_t l : section.listings) {
            if (listings_[l].live) {
                const size_t entry = entryAt[listings_[l].entry];
                kept.push_back(listings.size());
                listings.push_back({index, entry, entries[entry].firstListing, true});
                entries[entry].firstListing = kept.back();
            }
        }
        sections.push_back({std::move(section.name), true, {}, std::move(kept), 0});
        sections.back().liveListings = sections.back().listings.size();
    }
    entries_ = std::move(entries);
    sections_ = std::move(sections);
    listings_ = std::move(listings);
    removed_ = 0;
    rebuildIndexes();
}

std::string cSettings::makeXML(const Entry& entry) const {
    const std::optional<std::string> value = toText(entry.value);
    if (!value) {
        throw platform::RuntimeError(platform::rt::TypeMismatch);
    }
    std::string element = "<";
    element.append(entry.name).append(">").append(*value).append(endTag(entry.name));
    return element;
}

std::string cSettings::settingsText() const {
    std::string text;
    text.reserve(textLength_);
    text.append(settings_text::kRootStart);
    for (const Section& section : sections_) {
        if (!section.live) {
            continue;
        }
        text.append(kCrLf).append("  <").append(section.name).append(">");
        for (const size_t l : section.listings) {
            if (listings_[l].live) {
                text.append(kCrLf).append("    ").append(makeXML(entries_[listings_[l].entry]));
            }
        }
        text.append(kCrLf).append("  </").append(section.name).append(">");
    }
    text.append(kCrLf).append(settings_text::kRootEnd);
    return text;
}

}  // namespace qel
