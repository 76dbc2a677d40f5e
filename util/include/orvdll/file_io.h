#pragma once

#include "platform/files.h"

#include <cstdint>
#include <string>

// One file opened for chunked, position-tracked reading, or created for
// writing byte strings.
namespace orv {

class cFileIO {
  public:
    // The tracked read position. Setting it moves the file pointer too; it
    // is ignored while no file is open and for negative values.
    int64_t FilePosition() const { return position_; }
    void setFilePosition(int64_t position);

    // Opens an existing regular file for reading and records its size; the
    // position is kept. Any file open before is closed first.
    bool OpenExistingFile(const std::string& FileName);
    // Creates the file for writing, or empties an existing one; a link at the
    // name is replaced, never followed. Any file open before is closed first.
    bool OpenNewFile(const std::string& FileName);
    // Closes the file and sets the position to 0. Every call after it does
    // nothing until the next open.
    void CloseFile();

    // Writes all of `ba` at the file pointer and moves the pointer past it;
    // the tracked position stays. Returns the number of bytes written.
    int64_t WriteChunk(const std::string& ba);
    // Reads up to `PrefChunkSize` bytes at the tracked position into `ba` and
    // advances the position and file pointer by the count read, which it
    // returns. At the end of the file (or with a count <= 0) it returns 0 and
    // leaves `ba` as it was.
    int64_t ReadChunk(int64_t PrefChunkSize, std::string& ba);

  private:
    platform::File file_;
    std::string errorText_;  // of the last failure; no member exposes it
    int64_t position_ = 0;
    int64_t filePointer_ = 0;
    int64_t fileSize_ = 0;
};

}  // namespace orv
