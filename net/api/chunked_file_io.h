#pragma once

#include "platform/positioned_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qel {

// One file read and written in chunks at a position counted from 1. Failures
// are raised as RuntimeError to the caller, which reports them.
class clsFileIO2 {
  public:
    // The position of the next byte to read or write: 1 after openFile, 0
    // while no file is open. A caller may set it to move.
    int64_t filePos() const { return filePos_; }
    void setFilePos(int64_t position) { filePos_ = position; }

    // Opens `path`, closing a file open before; `filePos` becomes 1. Files
    // served to peers open read-only (never created), downloads read-write
    // (created when missing).
    void openFile(const std::string& path,
                  platform::FileAccess access = platform::FileAccess::ReadWriteCreate);
    // Reads min(`lngSize`, bytes left) bytes at `filePos` into `bytData` and
    // advances `filePos` by the count, which it returns. With no file open: 0,
    // `bytData` untouched. Fails (9, subscript out of range) when `lngSize` is
    // below 1 or no byte is left, so an open file never gives 0 bytes.
    int64_t readChunk(int64_t lngSize, std::string& bytData);
    // Whether `filePos` lies past the last byte. Fails (52) with no file open.
    bool endOfFile() const;
    // Writes the bytes at `filePos` and advances it by their count; nothing
    // with no file open. A short write or a full disk fails.
    void writeChunk(std::string_view dataChunk);
    // Closes the file (harmless when none is open); `filePos` becomes 0.
    void closeFile();
    bool fileOpen() const { return file_.isOpen(); }

  private:
    int64_t fileLength() const;

    int64_t filePos_ = 0;
    platform::PositionedFile file_;
};

}  // namespace qel
