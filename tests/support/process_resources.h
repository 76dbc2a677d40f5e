#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace tornel::test {

// How many descriptors this process holds open, or only those open on the
// file at `path` when one is given.
inline int openFiles(const std::string& path = {}) {
    std::error_code error;
    const std::filesystem::path target =
        path.empty() ? std::filesystem::path() : std::filesystem::canonical(path, error);
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        if (path.empty()) {
            ++count;
            continue;
        }
        std::error_code unreadable;
        if (std::filesystem::read_symlink(entry.path(), unreadable) == target) {
            ++count;
        }
    }
    return count;
}

// The memory this process holds resident, in bytes (0 when it cannot be read).
inline int64_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0;
    int64_t resident = 0;
    statm >> size >> resident;
    return resident * static_cast<int64_t>(::sysconf(_SC_PAGESIZE));
}

// A line of /proc/self/status in KiB ("VmRSS", "VmHWM"); -1 when absent.
inline int64_t statusKiB(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name + ":", 0) == 0) {
            return std::stoll(line.substr(name.size() + 1));
        }
    }
    return -1;
}

// The most memory the process has held since it was made, over what it held
// then: work done inside one handler, which no sampling between events sees.
class MemoryPeak {
  public:
    MemoryPeak() {
        // The peak starts again from now; where it cannot, it is measured
        // from the peak so far, which only ever hides growth.
        std::ofstream reset("/proc/self/clear_refs");
        const bool restarted = static_cast<bool>(reset << "5" << std::flush);
        start_ = statusKiB(restarted ? "VmRSS" : "VmHWM");
    }
    int64_t growthMiB() const { return (statusKiB("VmHWM") - start_) / 1024; }

  private:
    int64_t start_ = 0;
};

}  // namespace tornel::test
