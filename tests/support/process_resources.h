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

}  // namespace tornel::test
