#pragma once

#include <QLockFile>

#include <cstdint>
#include <string>

namespace tornel {

// The lock that lets one copy of the program run per program folder
// ("Tornel.lock" there), held for the whole run. A lock left by a copy that
// died is taken over, so a crash never blocks the next start.
class SingleInstanceLock {
  public:
    explicit SingleInstanceLock(const std::string& programFolder);

    // Takes the lock, trying for up to `waitMs` (a copy that is ending may
    // still hold it); false while another copy runs.
    bool acquire(int64_t waitMs = 0);

  private:
    QLockFile lock_;
};

}  // namespace tornel
