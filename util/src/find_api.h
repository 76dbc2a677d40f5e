#pragma once

#include "wildcard.h"

#include "platform/files.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

// One directory enumeration for cSearch. The folder's level is read whole and
// its descriptor closed before the first name comes back, so a deep search
// holds no descriptor per level. Only files and folders (links followed) are
// enumerated, in a stable order: ASCII case-folded names, ties by bytes.
class cFindAPI {
  public:
    static constexpr uint32_t DirectoryAttribute = 0x10;
    static constexpr uint32_t NormalAttribute = 128;

    // Ends an open enumeration and starts one of the names in `folder` that
    // match `pattern`; returns the first, or "" when there is none (a missing
    // or unreadable folder has none).
    std::string Find(const std::string& folder, const WildcardPattern& pattern);
    // The next name, or "" at the end, which also ends the enumeration.
    std::string FindNext();
    // Of the current entry; 0 with no enumeration open.
    uint32_t FileAttributes() const;
    // The current entry's status; only valid while an enumeration is open.
    const platform::FileStatus& currentStatus() const { return entries_[current_].status; }

  private:
    void CloseFind();
    std::string currentName() const;

    std::vector<platform::FolderEntry> entries_;
    size_t current_ = 0;
};

// While alive, cFindAPI reads folder levels through `reader` instead of the
// file system, so tests can make a level fail. Not nestable.
class ScopedFolderReader {
  public:
    using Reader = std::function<platform::FolderListing(const std::string& folder)>;

    explicit ScopedFolderReader(Reader reader);
    ~ScopedFolderReader();
    ScopedFolderReader(const ScopedFolderReader&) = delete;
    ScopedFolderReader& operator=(const ScopedFolderReader&) = delete;
};

}  // namespace orv
