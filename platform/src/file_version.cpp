#include "platform/file_version.h"

#include <sys/stat.h>

namespace platform {
namespace {

FileVersion versionFrom(const struct stat& status) {
    constexpr int64_t NanosecondsPerSecond = 1'000'000'000;
    return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino),
            static_cast<int64_t>(status.st_size),
            static_cast<int64_t>(status.st_mtim.tv_sec) * NanosecondsPerSecond +
                status.st_mtim.tv_nsec};
}

}  // namespace

std::optional<FileVersion> versionOf(int fd) {
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        return std::nullopt;
    }
    return versionFrom(status);
}

std::optional<FileVersion> versionAt(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return versionFrom(status);
}

}  // namespace platform
