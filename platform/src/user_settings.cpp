#include "platform/user_settings.h"

#include "platform/ascii.h"
#include "platform/atomic_file.h"
#include "platform/config_folder.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <sstream>

namespace platform {
namespace {

// One line a value: application, section, key and value separated by tabs,
// with backslash, tab, CR and LF escaped so any bytes survive.
struct Entry {
    std::string app;
    std::string section;
    std::string key;
    std::string value;
};

std::string storePath() {
    return configFolder() + "/user-settings.txt";
}

std::string escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        switch (text[++i]) {
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            default:
                out += text[i];
        }
    }
    return out;
}

std::vector<Entry> load() {
    std::ifstream in(storePath(), std::ios::binary);
    std::vector<Entry> entries;
    std::string line;
    while (std::getline(in, line)) {
        std::array<std::string, 4> fields;
        size_t field = 0;
        size_t start = 0;
        for (size_t i = 0; i <= line.size() && field < fields.size(); ++i) {
            if (i == line.size() || line[i] == '\t') {
                fields[field++] = unescape(std::string_view(line).substr(start, i - start));
                start = i + 1;
            }
        }
        if (field == fields.size()) {
            entries.push_back({fields[0], fields[1], fields[2], fields[3]});
        }
    }
    return entries;
}

void store(const std::vector<Entry>& entries) {
    std::string text;
    for (const Entry& entry : entries) {
        text += escape(entry.app) + '\t' + escape(entry.section) + '\t' + escape(entry.key) + '\t' +
                escape(entry.value) + '\n';
    }
    writeFileAtomically(storePath(), text);
}

bool inSection(const Entry& entry, const std::string& app, const std::string& section) {
    return asciiEqualsIgnoreCase(entry.app, app) && asciiEqualsIgnoreCase(entry.section, section);
}

}  // namespace

std::string getSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    for (const Entry& entry : load()) {
        if (inSection(entry, app, section) && asciiEqualsIgnoreCase(entry.key, key)) {
            return entry.value;
        }
    }
    return defaultValue;
}

void saveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value) {
    std::vector<Entry> entries = load();
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
    std::vector<Entry> entries = load();
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
    for (Entry& entry : load()) {
        if (inSection(entry, app, section)) {
            result.emplace_back(std::move(entry.key), std::move(entry.value));
        }
    }
    return result;
}

}  // namespace platform
