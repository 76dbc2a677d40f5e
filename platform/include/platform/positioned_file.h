#pragma once

#include "platform/file_version.h"
#include "platform/files.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One file read and written at 64-bit positions, for serving files to peers
// (read-only, never created) and for writing downloads (read-write, created
// when missing). Every read and write goes through pread/pwrite loops, so
// short transfers and interrupted calls never lose bytes.
namespace platform {

enum class FileAccess {
    ReadOnly,         // an existing regular file; never created, never blocks on a FIFO
    ReadWriteCreate,  // a regular file, created (0644) when missing, never emptied
};

class PositionedFile {
  public:
    PositionedFile() = default;

    // Opens `path`, closing a file open before. A link at `path` itself is
    // not followed when creating. Returns the errno, 0 on success.
    int open(const std::string& path, FileAccess access);
    void close() { file_.close(); }
    bool isOpen() const { return file_.isOpen(); }

    // The current size in bytes, or -1 when no file is open.
    int64_t size() const { return file_.size(); }
    // The open file's identity, size and modification time; nullopt when
    // no file is open.
    std::optional<FileVersion> version() const { return versionOf(file_.descriptor()); }

    // Reads up to `length` bytes at `offset` (0-based) into `out`, fewer at
    // the end of the file. Returns the errno, 0 on success.
    int read(int64_t offset, int64_t length, std::string& out) const {
        return file_.readAt(offset, length, out);
    }
    // Writes all of `bytes` at `offset`, extending the file when needed.
    // Returns the errno (ENOSPC for a full disk), 0 on success.
    int write(int64_t offset, std::string_view bytes) const { return file_.writeAt(offset, bytes); }
    // Whether `path` still names the open file (same device and inode):
    // false once it was removed, renamed away or replaced, or its folder was.
    bool isAt(const std::string& path) const;

  private:
    File file_;
};

}  // namespace platform
