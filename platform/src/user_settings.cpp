#include "platform/user_settings.h"

#include "store_file.h"

#include "platform/ascii.h"
#include "platform/atomic_file.h"
#include "platform/config_folder.h"

#include <algorithm>
#include <optional>

namespace platform {
namespace {

// One record a value: application, section, key and value.
struct Entry {
    std::string app;
    std::string section;
    std::string key;
    std::string value;
};

std::string storePath() {
    return configFolder() + "/user-settings.txt";
}

// The stored entries; none when the store exists but cannot be read, so
// that a later save never overwrites what it could not read.
std::optional<std::vector<Entry>> load() {
    auto records = readStoreFile(storePath());
    if (!records) {
        return std::nullopt;
    }
    std::vector<Entry> entries;
    for (StoreRecord& fields : *records) {
        if (fields.size() >= 4) {
            entries.push_back({std::move(fields[0]), std::move(fields[1]), std::move(fields[2]),
                               std::move(fields[3])});
        }
    }
    return entries;
}

void store(const std::vector<Entry>& entries) {
    std::string text;
    for (const Entry& entry : entries) {
        text += storeLine({entry.app, entry.section, entry.key, entry.value});
    }
    writeFileAtomically(storePath(), text);
}

bool inSection(const Entry& entry, const std::string& app, const std::string& section) {
    return asciiEqualsIgnoreCase(entry.app, app) && asciiEqualsIgnoreCase(entry.section, section);
}

}  // namespace

std::string getSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    for (const Entry& entry : load().value_or(std::vector<Entry>{})) {
        if (inSection(entry, app, section) && asciiEqualsIgnoreCase(entry.key, key)) {
            return entry.value;
        }
    }
    return defaultValue;
}

void saveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value) {
    auto loaded = load();
    if (!loaded) {
        return;
    }
    std::vector<Entry>& entries = *loaded;
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const Entry& entry) {
        return inSection(entry, app, section) && asciiEqualsIgnoreCase(entry.key, key);
    });
    if (found != entries.end()) {
        found->value = value;
    } else {
        entries.push_back({app, section, key, value});
    }
    store(entries);
}

void deleteSetting(const std::string& app, const std::string& section, const std::string& key) {
    auto loaded = load();
    if (!loaded) {
        return;
    }
    std::vector<Entry>& entries = *loaded;
    const auto removed = std::erase_if(entries, [&](const Entry& entry) {
        return inSection(entry, app, section) &&
               (key.empty() || asciiEqualsIgnoreCase(entry.key, key));
    });
    if (removed > 0) {
        store(entries);
    }
}

std::vector<std::pair<std::string, std::string>> getAllSettings(const std::string& app,
                                                                const std::string& section) {
    std::vector<std::pair<std::string, std::string>> result;
    for (Entry& entry : load().value_or(std::vector<Entry>{})) {
        if (inSection(entry, app, section)) {
            result.emplace_back(std::move(entry.key), std::move(entry.value));
        }
    }
    return result;
}

}  // namespace platform
