#pragma once

#include <cstdint>
#include <string>

namespace tornel {

// The lock that lets one copy of the program run per program folder
// ("Tornel.lock" there), held for the whole run. It is a kernel lock on the
// file, not the file's contents: it ends with the process that holds it, so
// a crash or a power failure (an empty or damaged lock file) never blocks
// the next start.
class SingleInstanceLock {
  public:
    enum class Outcome {
        Taken,
        HeldByAnotherCopy,
        // The lock file cannot be made or opened: the folder is not
        // writable, the disk is full, … (`failureText()` says which).
        FolderUnusable,
    };

    explicit SingleInstanceLock(std::string programFolder);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock, trying for up to `waitMs` (a copy that is ending may
    // still hold it).
    Outcome acquire(int64_t waitMs = 0);
    // Why the last acquire() found the folder unusable (the system's text).
    const std::string& failureText() const { return failureText_; }

  private:
    Outcome tryOnce();
    void release();

    std::string path_;
    int descriptor_ = -1;
    std::string failureText_;
};

}  // namespace tornel
