#include "platform/positioned_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

// Opens or creates a regular file for reading and writing, never following a
// link at the path and never blocking on a FIFO, then restores blocking mode.
File openOrCreate(const std::string& path, int& error) {
    const int fd = ::open(path.c_str(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) {
        error = errno;
        return File();
    }
    File file = File::adopt(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return File();
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    error = 0;
    return file;
}

}  // namespace

int PositionedFile::open(const std::string& path, FileAccess access) {
    file_.close();
    int error = 0;
    file_ = access == FileAccess::ReadOnly ? File::openForReading(path, &error)
                                           : openOrCreate(path, error);
    return error;
}

bool PositionedFile::isAt(const std::string& path) const {
    const std::optional<FileVersion> open = version();
    const std::optional<FileVersion> named = versionAt(path);
    return open && named && open->device == named->device && open->inode == named->inode;
}

}  // namespace platform
