#include "find_api.h"

#include "platform/ascii.h"

#include <algorithm>
#include <utility>

namespace orv {
namespace {

ScopedFolderReader::Reader readerOverride;

platform::FolderListing readLevel(const std::string& folder) {
    return readerOverride ? readerOverride(folder)
                          : platform::readFolder(folder, platform::FolderDetail::Kinds);
}

// By ASCII case-folded name, ties by bytes.
bool comesBefore(const platform::FolderEntry& a, const platform::FolderEntry& b) {
    const auto folded = [](char c) { return static_cast<unsigned char>(platform::asciiLower(c)); };
    const auto [inA, inB] =
        std::mismatch(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                      [&](char x, char y) { return folded(x) == folded(y); });
    if (inA != a.name.end() && inB != b.name.end()) {
        return folded(*inA) < folded(*inB);
    }
    if (inA != a.name.end() || inB != b.name.end()) {
        return inA == a.name.end();  // a folded prefix comes first
    }
    return a.name < b.name;
}

}  // namespace

std::string cFindAPI::Find(const std::string& folder, const WildcardPattern& pattern) {
    CloseFind();
    // A level that cannot be opened or read holds no names; what was read
    // before a read error still counts.
    platform::FolderListing listing = readLevel(folder);
    std::erase_if(listing.entries, [&](const platform::FolderEntry& entry) {
        return entry.status.kind == platform::EntryKind::Other || !pattern.matches(entry.name);
    });
    std::sort(listing.entries.begin(), listing.entries.end(), comesBefore);
    entries_ = std::move(listing.entries);
    return currentName();
}

std::string cFindAPI::FindNext() {
    if (current_ < entries_.size()) {
        ++current_;
    }
    if (current_ >= entries_.size()) {
        CloseFind();
    }
    return currentName();
}

uint32_t cFindAPI::FileAttributes() const {
    if (current_ >= entries_.size()) {
        return 0;
    }
    return currentStatus().kind == platform::EntryKind::Folder ? DirectoryAttribute
                                                               : NormalAttribute;
}

void cFindAPI::CloseFind() {
    entries_.clear();
    current_ = 0;
}

std::string cFindAPI::currentName() const {
    return current_ < entries_.size() ? entries_[current_].name : std::string();
}

ScopedFolderReader::ScopedFolderReader(Reader reader) {
    readerOverride = std::move(reader);
}

ScopedFolderReader::~ScopedFolderReader() {
    readerOverride = nullptr;
}

}  // namespace orv
