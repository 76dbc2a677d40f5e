#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orv {

// A package file of format "STUF18": a description and numbered members
// (1..FileCount) of named bytes. StartSession loads the whole package, or starts
// an empty one when the file is missing; the other operations edit that copy;
// EndSession writes it back. Releasing the object with a session open discards
// the changes.
//
// Status results are 0 when the operation ran or refused its argument (the
// refusal shows only in LastError) and 1 when it failed (LastError says why).
// Without an open session every operation but StartSession does nothing.
class cSTUF {
  public:
    cSTUF();
    ~cSTUF();
    cSTUF(const cSTUF&) = delete;
    cSTUF& operator=(const cSTUF&) = delete;

    // The text of the last refusal or failure; never cleared by the class.
    const std::string& LastError() const;
    void setLastError(const std::string& text);
    bool Session() const;
    void setSession(bool open);
    // "STUF18" for a new package, else as read from the file.
    const std::string& Format() const;
    void setFormat(const std::string& format);

    // Ends an open session first; if that fails, it stays open and 1 is returned.
    int StartSession(const std::string& sourcePackage);
    // Replaces the file atomically with the package, changed or not, and closes
    // the session; a failed write keeps the session and the old file.
    int EndSession();

    int SetDescription(const std::string& description);
    std::string GetDescription() const;
    int32_t FileCount() const;

    // Adds a regular file under its name without folder.
    int AddFile(const std::string& sourceFile);
    // Writes every member into `destDir` (created if missing, one level),
    // replacing files of the same names. A member name that is not one plain
    // path component stops the extraction with 1.
    int ExtractPackage(const std::string& destDir);
    int ExtractFile(int32_t fileNumber, const std::string& targetFile);
    int DeleteFile(int32_t fileNumber);
    // The bytes of the first member of that name, ignoring ASCII case; a single
    // 0 byte when none matches.
    std::string GetFileData(const std::string& fileName);
    // The first member of that name, ignoring ASCII case; 0 when none.
    int32_t GetFileNumber(const std::string& fileName) const;
    std::string GetFileName(int32_t fileNumber);
    int64_t GetFileSize(int32_t fileNumber);
    // Keeps only the last-added member of each exact (case-sensitive) name,
    // in their order.
    int DeleteDoubles();

  private:
    struct Package;
    std::unique_ptr<Package> package_;
};

}  // namespace orv
