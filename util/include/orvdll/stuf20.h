#pragma once

#include "orvdll/package_file.h"

#include <cstdint>
#include <string>

namespace orv {

// A package file of format "STUF20": members optionally stored as zlib streams.
// EndSession writes the file only when the session changed something (AddFile,
// DeleteFile, DeleteDoubles and SetDescription count as changes, also when they
// refuse or fail).
//
// Sizes follow the stored fields: GetFileSize is the uncompressed length minus
// one, GetCompressedSize the stored length minus one.
class cSTUF20 : public PackageFile<package::SecondVersion> {
  public:
    // Levels 1..9 store the member compressed, 0 and below raw; other levels
    // fail with 1 and add nothing.
    int AddFile(const std::string& sourceFile, int compressionLevel = 0);
    // The member's uncompressed bytes; nothing for 0, for a bad number or for
    // damaged data (the last two set LastError).
    std::string GetFileData(int32_t fileNumber);
    int64_t GetFileSize(int32_t fileNumber);
    int64_t GetCompressedSize(int32_t fileNumber);
    // -1 when the member is stored compressed, else 0.
    int32_t IsCompressed(int32_t fileNumber);
};

}  // namespace orv
