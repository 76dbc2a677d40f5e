#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orv {

// A package file of format "STUF20": the session design of cSTUF with members
// optionally stored as zlib streams. EndSession writes the file only when the
// session changed something (AddFile, DeleteFile, DeleteDoubles and
// SetDescription count as changes, also when they refuse or fail).
//
// Sizes follow the stored fields: GetFileSize is the uncompressed length minus
// one, GetCompressedSize the stored length minus one.
class cSTUF20 {
  public:
    cSTUF20();
    ~cSTUF20();
    cSTUF20(const cSTUF20&) = delete;
    cSTUF20& operator=(const cSTUF20&) = delete;

    const std::string& LastError() const;
    void setLastError(const std::string& text);
    bool Session() const;
    void setSession(bool open);
    // "STUF20" for a new package, else as read from the file.
    const std::string& Format() const;
    void setFormat(const std::string& format);

    int StartSession(const std::string& sourcePackage);
    int EndSession();

    // Levels 1..9 store the member compressed, 0 and below raw; other levels
    // fail with 1 and add nothing.
    int AddFile(const std::string& sourceFile, int compressionLevel = 0);
    int ExtractPackage(const std::string& destDir);
    int ExtractFile(int32_t fileNumber, const std::string& targetFile);
    int DeleteFile(int32_t fileNumber);
    // The member's uncompressed bytes; nothing for 0, for a bad number or for
    // damaged data (the last two set LastError).
    std::string GetFileData(int32_t fileNumber);
    int32_t GetFileNumber(const std::string& fileName) const;
    std::string GetFileName(int32_t fileNumber);
    int64_t GetFileSize(int32_t fileNumber);
    int64_t GetCompressedSize(int32_t fileNumber);
    // -1 when the member is stored compressed, else 0.
    int32_t IsCompressed(int32_t fileNumber);
    int DeleteDoubles();
    int SetDescription(const std::string& description);
    std::string GetDescription() const;
    int32_t FileCount() const;

  private:
    struct Package;
    std::unique_ptr<Package> package_;
};

}  // namespace orv
