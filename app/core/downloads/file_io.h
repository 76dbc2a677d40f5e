#pragma once

#include "platform/positioned_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tornel {

// The local file of a download, written block after block at a position
// counted from 1. Failures (a file that cannot be made, a full disk) are
// raised as RuntimeError for the caller to log.
class clsFileIO2 {
  public:
    // Opens `path`, created when missing (without the executable bit) and
    // never emptied; the position becomes 1.
    void openFile(const std::string& path);
    // Writes the bytes at the position and advances it by their count;
    // nothing when no file is open.
    void writeChunk(std::string_view dataChunk);
    // Closes the file (harmless when none is open); the position becomes 0.
    void closeFile();
    bool fileOpen() const { return file_.isOpen(); }

    // The position of the next byte written: 1 after openFile, 0 while no
    // file is open.
    int64_t filePos() const { return filePos_; }
    void setFilePos(int64_t position) { filePos_ = position; }

  private:
    int64_t filePos_ = 0;
    platform::PositionedFile file_;
};

}  // namespace tornel
