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

}  // namespace

size_t cSettings::IndexPairHash::operator()(const std::pair<size_t, size_t>& pair) const noexcept {
    return std::hash<size_t>{}(pair.first * 0x9E3779B97F4A7C15ULL ^ pair.second);
}

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
            entries_[entryIndex].value = value;
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
            static_cast<int64_t>(sectionIndex ? sections_[*sectionIndex].entryIdx.size() : 0);
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
            if (includeCommon || !platform::asciiEqualsIgnoreCase(section.name, "COMMON")) {
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
    rebuildIndexes();
}

void cSettings::rebuildIndexes() {
    entryIndex_.clear();
    sectionIndex_.clear();
    listed_.clear();
    for (size_t e = 0; e < entries_.size(); ++e) {
        entryIndex_.try_emplace(entryKey(entries_[e].section, entries_[e].name), e);
    }
    for (size_t s = 0; s < sections_.size(); ++s) {
        sectionIndex_.try_emplace(platform::asciiUpper(sections_[s].name), s);
        for (const size_t e : sections_[s].entryIdx) {
            listed_.insert({s, e});
        }
    }
}

std::optional<size_t> cSettings::getEntryIndex(std::string_view name,
                                               std::string_view section) const {
    const auto found = entryIndex_.find(entryKey(section, name));
    return found != entryIndex_.end() ? std::optional(found->second) : std::nullopt;
}

std::optional<size_t> cSettings::getSectionIndex(std::string_view name) const {
    const auto found = sectionIndex_.find(platform::asciiUpper(name));
    return found != sectionIndex_.end() ? std::optional(found->second) : std::nullopt;
}

size_t cSettings::addSection(std::string_view name, bool forceNew) {
    std::string key = platform::asciiUpper(name);
    if (!forceNew) {
        if (const auto found = sectionIndex_.find(key); found != sectionIndex_.end()) {
            return found->second;
        }
    }
    sections_.push_back({std::string(name), {}});
    sectionIndex_.try_emplace(std::move(key), sections_.size() - 1);
    return sections_.size() - 1;
}

size_t cSettings::addEntry(std::string name, std::string section, Variant value) {
    const size_t index = entries_.size();
    entryIndex_.try_emplace(entryKey(section, name), index);
    entries_.push_back({std::move(name), std::move(section), std::move(value)});
    return index;
}

bool cSettings::entryInSection(size_t entry, size_t section) const {
    return listed_.contains({section, entry});
}

void cSettings::addEntryToSection(size_t entry, size_t section, bool skipCheck) {
    if (!skipCheck && entryInSection(entry, section)) {
        return;
    }
    sections_[section].entryIdx.push_back(entry);
    listed_.insert({section, entry});
}

// Takes the entry out of every section that lists it, dropping sections left
// empty, then out of the table, renumbering the entries after it.
void cSettings::removeEntry(size_t entry) {
    for (size_t s = sections_.size(); s-- > 0;) {
        std::vector<size_t>& list = sections_[s].entryIdx;
        if (std::erase(list, entry) > 0 && list.empty()) {
            sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(s));
        }
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(entry));
    for (Section& section : sections_) {
        for (size_t& index : section.entryIdx) {
            if (index > entry) {
                --index;
            }
        }
    }
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
    std::string text(settings_text::kRootStart);
    for (const Section& section : sections_) {
        text.append(kCrLf).append("  <").append(section.name).append(">");
        for (const size_t entry : section.entryIdx) {
            text.append(kCrLf).append("    ").append(makeXML(entries_[entry]));
        }
        text.append(kCrLf).append("  </").append(section.name).append(">");
    }
    text.append(kCrLf).append(settings_text::kRootEnd);
    return text;
}

}  // namespace qel
