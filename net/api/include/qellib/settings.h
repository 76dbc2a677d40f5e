#pragma once

#include "qellib/variant.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qel {

// Named values in named sections, in memory, and their settings text:
//
//   <Settings>
//     <Common>
//       <Timeout>1500</Timeout>
//     </Common>
//   </Settings>
//
// lines joined by CR LF, nothing escaped. Section names and keys match without
// regard to ASCII case; where two records match, the earlier one wins.
// Sections and entries keep the order they were added in. No call ever fails
// loudly: a failure gives the call's default result (an empty text or value,
// false, an array without elements) and leaves the store as far as it got.
class cSettings {
  public:
    cSettings();

    // The settings text of the whole store.
    std::string getXML() const;
    // Records "FileInfo" (format version, time, library revision and name) in
    // the store, then replaces the file at `path` with the settings text.
    void SaveSettings(const std::string& path);
    // Empties the store and reads `data`; false when a tag never closes, the
    // store then keeping what came before it.
    bool LoadXML(std::string_view data);
    // LoadXML of the whole file; false, with the store untouched, when the
    // file cannot be read.
    bool LoadSettings(const std::string& path);
    // When on, every SaveSetting adds a new entry, even for a key already saved.
    void ClearPrevOnSave(bool value);
    // Sets the value of `name`, or adds it at the end of its section (made
    // when new). Refused: a key holding a space, "<", ">", CR or LF or
    // spelling its section's end tag ("/Common"), a section name holding "<",
    // ">", CR or LF, a value without a text form or holding its own end tag.
    void SaveSetting(std::string_view name, const Variant& value,
                     std::string_view section = "Common");
    // Removes the entry, and its section when that becomes empty.
    void DeleteSetting(std::string_view name, std::string_view section = "Common");
    // The array SaveSettingArray stored under `key`: elements 0 to "Count",
    // a missing one as "", never more than the section holds. Without "Count",
    // the default when it is an array, else no elements.
    StringArray GetSettingArray(std::string_view key,
                                const Variant& defaultValue = Missing{}) const;
    // Stores the array as section `key`: "Count" (its upper bound), then the
    // keys "0", "1", …
    void SaveSettingArray(std::string_view key, const StringArray& values);
    // The stored value (text when it was read from a settings text), else the
    // default, else Empty.
    Variant GetSetting(std::string_view name, const Variant& defaultValue = Missing{},
                       std::string_view section = "Common") const;
    // An empty element, then every section name in order; "Common" in any
    // spelling only when asked for.
    StringArray ListSections(bool includeCommon = false) const;

    // The number of sections, and the length of the settings text, at once:
    // for callers that bound what a store takes.
    size_t sectionCount() const { return liveSections_; }
    size_t textLength() const { return textLength_; }

  private:
    static constexpr size_t None = static_cast<size_t>(-1);

    // Neighbours in a chain of records that share a name, in table order.
    struct Link {
        size_t previous = None;
        size_t next = None;
    };
    // The ends of such a chain: the head is the record a lookup finds.
    struct Chain {
        size_t head = None;
        size_t tail = None;
    };
    struct Entry {
        std::string name;
        std::string section;
        Variant value;
        size_t valueLength = 0;  // of the value as text
        bool live = true;
        Link sameKey;
        size_t firstListing = None;  // its places in sections, linked by nextOfEntry
    };
    struct Section {
        std::string name;
        bool live = true;
        Link sameName;
        std::vector<size_t> listings;  // into listings_, in the order added
        size_t liveListings = 0;
    };
    // One entry's place in one section's list.
    struct Listing {
        size_t section;
        size_t entry;
        size_t nextOfEntry;
        bool live = true;
    };

    void resetClass();
    void rebuildIndexes();
    std::optional<size_t> getEntryIndex(std::string_view name, std::string_view section) const;
    std::optional<size_t> getSectionIndex(std::string_view name) const;
    size_t addSection(std::string_view name, bool forceNew);
    size_t addEntry(std::string name, std::string section, Variant value);
    bool entryInSection(size_t entry, size_t section) const;
    void addEntryToSection(size_t entry, size_t section, bool skipCheck);
    void setValue(size_t entry, const Variant& value);
    void removeEntry(size_t entry);
    void removeSection(size_t section);
    void compactWhenMostlyRemoved();
    void compact();
    std::string makeXML(const Entry& entry) const;
    std::string settingsText() const;

    // Removed records stay in the tables, marked, so that nothing is
    // renumbered, until they outnumber the rest and the tables are compacted:
    // a removal costs O(1) amortised, whatever the size of the store.
    std::vector<Entry> entries_;
    std::vector<Section> sections_;
    std::vector<Listing> listings_;
    size_t removed_ = 0;  // records marked removed
    size_t liveSections_ = 0;
    size_t textLength_ = 0;
    bool clearPrevOnSave_ = false;

    // (upper section, upper key) and upper section name to the records of that name.
    std::unordered_map<std::string, Chain> entryIndex_;
    std::unordered_map<std::string, Chain> sectionIndex_;
};

}  // namespace qel
