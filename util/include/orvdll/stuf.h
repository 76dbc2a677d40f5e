#pragma once

#include "orvdll/package_file.h"

#include <cstdint>
#include <string>

namespace orv {

// A package file of format "STUF18". EndSession writes the file on every call,
// changed or not.
class cSTUF : public PackageFile<package::FirstVersion> {
  public:
    // Adds a regular file under its name without folder.
    int AddFile(const std::string& sourceFile);
    // The bytes of the first member of that name, ignoring ASCII case; a single
    // 0 byte when none matches.
    std::string GetFileData(const std::string& fileName);
    int64_t GetFileSize(int32_t fileNumber);
};

}  // namespace orv
