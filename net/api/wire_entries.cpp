#include "wire_entries.h"

#include "settings_text.h"

namespace qel {
namespace {

// No local name holds "/", so no end tag ("</…>") can arise in an entry; the
// settings root's start tag can.
bool opensSettings(std::string_view entry) {
    return settings_text::findIgnoringCase(entry, settings_text::kRootStart) !=
           std::string_view::npos;
}

}  // namespace

std::optional<std::string> toWireEntry(std::string_view relative, platform::EntryKind kind,
                                       std::string_view prefix) {
    if (relative.find('\\') != std::string_view::npos) {
        return std::nullopt;
    }
    std::string entry(prefix);
    entry.reserve(prefix.size() + relative.size() + 1);
    for (const char c : relative) {
        entry += c == '/' ? '\\' : c;
    }
    if (kind == platform::EntryKind::Folder) {
        entry += '\\';
    }
    if (entry.find_first_of("\r\n") != std::string::npos || opensSettings(entry)) {
        return std::nullopt;
    }
    return entry;
}

void appendWireEntries(StringArray& listing, const std::vector<std::string>& found,
                       std::string_view folder, platform::EntryKind kind, std::string_view prefix) {
    for (size_t i = 1; i < found.size(); ++i) {
        const std::string_view path = found[i];
        if (!path.starts_with(folder)) {
            continue;
        }
        if (std::optional<std::string> entry =
                toWireEntry(path.substr(folder.size()), kind, prefix)) {
            listing.push_back(std::move(*entry));
        }
    }
}

}  // namespace qel
