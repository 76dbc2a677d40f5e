#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What tells one version of a file from another without reading it: which
// file it is (device and inode), its size and its modification time to the
// nanosecond. A file written over in place keeps its identity but not its
// time; one renamed over the path is another file.
namespace platform {

struct FileVersion {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNanoseconds = 0;  // since the epoch

    bool operator==(const FileVersion&) const = default;
};

// Of the open descriptor `fd`; nullopt when it cannot be asked.
std::optional<FileVersion> versionOf(int fd);
// Of the file `path` names now, through links; nullopt when there is none.
std::optional<FileVersion> versionAt(const std::string& path);

}  // namespace platform
