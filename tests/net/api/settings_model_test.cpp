// The settings store against its plainest model: tables renumbered on every
// removal and scanned for every lookup. Whatever the edits, the store writes
// the same text, byte for byte, finds the same values and knows its size.
#include "settings_text.h"

#include "platform/ascii.h"
#include "qellib/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace qel {
namespace {

class PlainStore {
  public:
    void clearPrevOnSave(bool on) { clearPrev_ = on; }

    void save(const std::string& name, const std::string& value, const std::string& section) {
        const std::optional<size_t> existing =
            clearPrev_ ? std::nullopt : entryIndex(name, section);
        size_t entry = entries_.size();
        if (existing) {
            entry = *existing;
            entries_[entry].value = value;
            entries_[entry].section = section;
        } else {
            entries_.push_back({name, section, value});
        }
        std::optional<size_t> place = sectionIndex(section);
        if (!place) {
            sections_.push_back({section, {}});
            place = sections_.size() - 1;
        }
        std::vector<size_t>& listed = sections_[*place].entries;
        if (clearPrev_ || std::find(listed.begin(), listed.end(), entry) == listed.end()) {
            listed.push_back(entry);
        }
    }

    void remove(const std::string& name, const std::string& section) {
        const std::optional<size_t> entry = entryIndex(name, section);
        if (!entry || !sectionIndex(section)) {
            return;
        }
        for (size_t s = sections_.size(); s-- > 0;) {
            std::vector<size_t>& listed = sections_[s].entries;
            if (std::erase(listed, *entry) > 0 && listed.empty()) {
                sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(s));
            }
        }
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*entry));
        for (Section& section : sections_) {
            for (size_t& listed : section.entries) {
                listed -= listed > *entry ? 1 : 0;
            }
        }
    }

    void load(const std::string& text) {
        entries_.clear();
        sections_.clear();
        for (const settings_text::TextSection& read :
             settings_text::readSettingsText(text).sections) {
            sections_.push_back({read.name, {}});
            for (const settings_text::TextEntry& entry : read.entries) {
                sections_.back().entries.push_back(entries_.size());
                entries_.push_back({entry.key, read.name, entry.value});
            }
        }
    }

    std::optional<std::string> get(const std::string& name, const std::string& section) const {
        const std::optional<size_t> entry = entryIndex(name, section);
        return entry ? std::optional(entries_[*entry].value) : std::nullopt;
    }

    std::string text() const {
        std::string text = "<Settings>";
        for (const Section& section : sections_) {
            text += "\r\n  <" + section.name + ">";
            for (const size_t entry : section.entries) {
                const Entry& e = entries_[entry];
                text += "\r\n    <" + e.name + ">" + e.value + "</" + e.name + ">";
            }
            text += "\r\n  </" + section.name + ">";
        }
        return text + "\r\n</Settings>";
    }

    size_t sectionCount() const { return sections_.size(); }

  private:
    struct Entry {
        std::string name;
        std::string section;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<size_t> entries;
    };

    std::optional<size_t> entryIndex(const std::string& name, const std::string& section) const {
        for (size_t e = 0; e < entries_.size(); ++e) {
            if (platform::asciiEqualsIgnoreCase(entries_[e].name, name) &&
                platform::asciiEqualsIgnoreCase(entries_[e].section, section)) {
                return e;
            }
        }
        return std::nullopt;
    }
    std::optional<size_t> sectionIndex(const std::string& name) const {
        for (size_t s = 0; s < sections_.size(); ++s) {
            if (platform::asciiEqualsIgnoreCase(sections_[s].name, name)) {
                return s;
            }
        }
        return std::nullopt;
    }

    std::vector<Entry> entries_;
    std::vector<Section> sections_;
    bool clearPrev_ = false;
};

// Few names in several spellings, so that edits meet earlier records, and
// texts that repeat sections and keys, so that lookups have several to choose from.
TEST(SettingsModel, RandomEditsWriteWhatThePlainModelWrites) {
    const std::vector<std::string> names = {"a", "A", "b", "Count", "0", "long_key"};
    const std::vector<std::string> sections = {"Common", "COMMON", "S", "s", "Other"};
    const std::vector<std::string> texts = {
        "<Settings><S><a>1</a><A>2</A></S><s><b>3</b></s><S><a>4</a></S></Settings>",
        "<Settings><Common><0>x</0><0>y</0></Common><Other><b></b></Other></Settings>",
        "<Settings></Settings>",
    };
    std::mt19937 random(20240501);
    const auto pick = [&](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(random)];
    };
    cSettings store;
    PlainStore model;
    for (int step = 0; step < 20000; ++step) {
        const int op = std::uniform_int_distribution<int>(0, 99)(random);
        const std::string name = pick(names);
        const std::string section = pick(sections);
        std::string what;
        if (op < 55) {
            const std::string value = "v" + std::to_string(step % 7 == 0 ? step : step % 13);
            store.SaveSetting(name, value, section);
            model.save(name, value, section);
            what = "save " + name + " in " + section;
        } else if (op < 95) {
            store.DeleteSetting(name, section);
            model.remove(name, section);
            what = "delete " + name + " in " + section;
        } else if (op < 98) {
            const bool on = op % 2 == 0;
            store.ClearPrevOnSave(on);
            model.clearPrevOnSave(on);
            what = "every save adds: " + std::to_string(on);
        } else {
            const std::string text = pick(texts);
            store.LoadXML(text);
            model.load(text);
            what = "load " + text;
        }
        const std::string written = store.getXML();
        ASSERT_EQ(written, model.text()) << "step " << step << ": " << what;
        ASSERT_EQ(store.textLength(), written.size()) << "step " << step << ": " << what;
        ASSERT_EQ(store.sectionCount(), model.sectionCount()) << "step " << step;
        for (const std::string& n : names) {
            for (const std::string& s : sections) {
                const Variant value = store.GetSetting(n, Missing{}, s);
                const std::optional<std::string> expected = model.get(n, s);
                ASSERT_EQ(isEmpty(value) ? std::nullopt : toText(value), expected)
                    << "step " << step << ": " << n << " in " << s;
            }
        }
    }
}

}  // namespace
}  // namespace qel
