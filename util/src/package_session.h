#pragma once

#include "package_codec.h"

#include <cstdint>
#include <string>

// The session logic both package classes share: the whole package is loaded
// into memory by startSession, edited there, and written back by endSession.
//
// Status results are 0 when an operation ran or refused its argument (a
// refusal shows only in lastError) and 1 when a failure was trapped. While no
// session is open every operation but startSession does nothing and gives 0,
// "" or no bytes.
namespace orv::package {

template <class Version>
class PackageSession {
  public:
    using Entry = typename Version::Entry;

    // The public properties of the package classes. lastError is never cleared.
    std::string lastError;
    bool session = false;
    std::string format;

    // Ends an open session first; if that fails, the open session stays.
    int startSession(const std::string& sourcePackage);
    // Writes the package atomically (the first version always, the second only
    // when something changed) and closes the session; a failed write keeps it.
    int endSession();

    int setDescription(const std::string& description);
    std::string description() const;
    int32_t fileCount() const;

    // Levels above 0 store the member compressed (second version only).
    int addFile(const std::string& sourceFile, int compressionLevel);
    int extractPackage(const std::string& destDir);
    int extractFile(int32_t fileNumber, const std::string& targetFile);
    int deleteFile(int32_t fileNumber);
    // Keeps the last member of each exact name, in order.
    int deleteDoubles();

    // The first member whose name matches ignoring ASCII case, 0 when none.
    int32_t fileNumber(const std::string& fileName) const;
    std::string fileName(int32_t fileNumber);
    // The bytes of the first member matching `fileName`, a single 0 byte when none.
    std::string fileDataByName(const std::string& fileName);
    // The bytes of member `fileNumber`; nothing for 0.
    std::string fileDataByNumber(int32_t fileNumber);

    // A number read from member `fileNumber`, or 0 with "Invalid file number".
    template <class Read>
    int64_t memberValue(int32_t fileNumber, Read read) {
        if (!session) {
            return 0;
        }
        if (!isMember(fileNumber)) {
            return refuse(kInvalidFileNumber);
        }
        return read(header_.files.at(static_cast<size_t>(fileNumber)));
    }

  private:
    static constexpr const char* kInvalidFileNumber = "Invalid file number";

    bool isMember(int32_t fileNumber) const {
        return fileNumber >= 1 && fileNumber <= header_.count;
    }
    // Member `fileNumber`; a number outside 1..count fails as out of range.
    const Entry& member(int32_t fileNumber) const;
    // Keeps the last member of each exact name; members close up in order.
    void removeEarlierDoubles();
    int refuse(const char* reason);
    void closeSession();

    PackageHeader<Entry> header_;
    std::string packagePath_;
    bool modified_ = false;
};

}  // namespace orv::package
