#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orv {

namespace package {
struct FirstVersion;
struct SecondVersion;
template <class Version>
class PackageSession;
}  // namespace package

// What both package classes share. A package is a description and numbered
// members (1..FileCount) of named bytes. StartSession loads the whole package,
// or starts an empty one when the file is missing; the other operations edit
// that copy; EndSession writes it back. Releasing the object with a session
// open discards the changes.
//
// Status results are 0 when the operation ran or refused its argument (the
// refusal shows only in LastError) and 1 when it failed (LastError says why).
// Without an open session every operation but StartSession does nothing.
template <class Version>
class PackageFile {
  public:
    ~PackageFile();
    PackageFile(const PackageFile&) = delete;
    PackageFile& operator=(const PackageFile&) = delete;

    // The text of the last refusal or failure; never cleared by the class.
    const std::string& LastError() const;
    void setLastError(const std::string& text);
    bool Session() const;
    void setSession(bool open);
    // The format of a new package, else as read from the file.
    const std::string& Format() const;
    void setFormat(const std::string& format);

    // Ends an open session first; if that fails, it stays open and 1 is returned.
    int StartSession(const std::string& sourcePackage);
    // Replaces the file atomically with the package and closes the session; a
    // failed write keeps the session and the old file.
    int EndSession();

    int SetDescription(const std::string& description);
    std::string GetDescription() const;
    int32_t FileCount() const;

    // Writes every member into `destDir` (created if missing, one level),
    // replacing files of the same names; a link there is replaced, never
    // followed. A member name that is not one plain path component stops the
    // extraction with 1.
    int ExtractPackage(const std::string& destDir);
    // A number beyond the members fails and leaves the target alone.
    int ExtractFile(int32_t fileNumber, const std::string& targetFile);
    int DeleteFile(int32_t fileNumber);
    // Keeps only the last-added member of each exact (case-sensitive) name,
    // in their order.
    int DeleteDoubles();
    // The first member of that name, ignoring ASCII case; 0 when none.
    int32_t GetFileNumber(const std::string& fileName) const;
    std::string GetFileName(int32_t fileNumber);

  protected:
    PackageFile();
    package::PackageSession<Version>& package() { return *package_; }

  private:
    std::unique_ptr<package::PackageSession<Version>> package_;
};

extern template class PackageFile<package::FirstVersion>;
extern template class PackageFile<package::SecondVersion>;

}  // namespace orv
