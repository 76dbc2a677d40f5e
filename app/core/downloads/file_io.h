#pragma once

#include "platform/positioned_file.h"
#include "platform/runtime_error.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tornel {

// The local file of a download, written block after block at a position
// counted from 1. Failures (a file that cannot be made, a full disk, a file
// or folder removed while it is written) are raised as RuntimeError for the
// caller to log.
class clsFileIO2 {
  public:
    // Opens `path`, created when missing (without the executable bit) and
    // never emptied; the position becomes 1. A missing folder fails as
    // "Folder missing".
    void openFile(const std::string& path);
    // Writes the bytes at the position and advances it by their count;
    // nothing when no file is open. Fails, after writing, when the file is
    // no longer at its path: the bytes went into a file nobody can reach.
    void writeChunk(std::string_view dataChunk);
    // Closes the file (harmless when none is open); the position becomes 0.
    void closeFile();
    bool fileOpen() const { return file_.isOpen(); }

    // The path the open file was opened as ("" before the first open).
    const std::string& path() const { return path_; }
    // The open file's size in bytes, -1 when none is open.
    int64_t size() const { return file_.size(); }
    // Whether the open file is still the one its path names.
    bool stillAtPath() const { return file_.isAt(path_); }

    // The position of the next byte written: 1 after openFile, 0 while no
    // file is open.
    int64_t filePos() const { return filePos_; }
    void setFilePos(int64_t position) { filePos_ = position; }

  private:
    int64_t filePos_ = 0;
    std::string path_;
    platform::PositionedFile file_;
};

// The error of a download file that is no longer at `path`: "Folder
// removed" when its folder went too, else "File removed".
platform::RuntimeError fileGoneError(const std::string& path);

}  // namespace tornel
