#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

namespace platform {
namespace {

FileStatus statusFrom(const struct stat& info, bool isLink) {
    FileStatus status;
    status.kind = S_ISREG(info.st_mode)   ? EntryKind::File
                  : S_ISDIR(info.st_mode) ? EntryKind::Folder
                                          : EntryKind::Other;
    status.isLink = isLink;
    status.size = static_cast<int64_t>(info.st_size);
    status.modifiedSeconds = static_cast<int64_t>(info.st_mtime);
    status.device = static_cast<uint64_t>(info.st_dev);
    status.inode = static_cast<uint64_t>(info.st_ino);
    return status;
}

// The status of `name` relative to `dirFd` (AT_FDCWD for a whole path).
std::optional<FileStatus> statusAt(int dirFd, const char* name) {
    struct stat info {};
    if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    if (!S_ISLNK(info.st_mode)) {
        return statusFrom(info, false);
    }
    struct stat target {};
    if (::fstatat(dirFd, name, &target, 0) != 0) {
        FileStatus dangling;
        dangling.isLink = true;
        return dangling;
    }
    return statusFrom(target, true);
}

int setError(int* error, int value) {
    if (error != nullptr) {
        *error = value;
    }
    return value;
}

// Opens a regular file without blocking on FIFOs and devices, then restores
// blocking mode for ordinary reads.
int openRegular(const std::string& path, int accessMode, int* error) {
    const int fd = ::open(path.c_str(), accessMode | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        setError(error, errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        setError(error, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    setError(error, 0);
    return fd;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

std::optional<FileStatus> fileStatus(const std::string& path) {
    return statusAt(AT_FDCWD, path.c_str());
}

bool isRegularFile(const std::string& path) {
    const auto status = fileStatus(path);
    return status && status->kind == EntryKind::File;
}

bool isFolder(const std::string& path) {
    const auto status = fileStatus(path);
    return status && status->kind == EntryKind::Folder;
}

int64_t fileSize(const std::string& path) {
    const auto status = fileStatus(path);
    return status && status->kind == EntryKind::File ? status->size : -1;
}

bool sameFile(const std::string& first, const std::string& second) {
    const auto a = fileStatus(first);
    const auto b = fileStatus(second);
    return a && b && a->kind != EntryKind::Other && a->device == b->device && a->inode == b->inode;
}

std::optional<std::string> resolvedPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    if (!resolved) {
        return std::nullopt;
    }
    return std::string(resolved.get());
}

bool liesWithin(std::string_view path, std::string_view folder) {
    if (!path.starts_with(folder)) {
        return false;
    }
    return path.size() == folder.size() || folder.ends_with('/') || path[folder.size()] == '/';
}

FolderListing readFolder(const std::string& path, FolderDetail detail) {
    FolderListing listing;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        listing.error = errno;
        return listing;
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        listing.error = errno;
        ::close(fd);
        return listing;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            listing.error = errno;
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (detail == FolderDetail::Kinds && entry->d_type == DT_REG) {
            FileStatus plainFile;
            plainFile.kind = EntryKind::File;
            listing.entries.push_back({std::string(name), plainFile});
        } else if (auto status = statusAt(::dirfd(dir.get()), entry->d_name)) {
            listing.entries.push_back({std::string(name), *status});
        }
    }
    return listing;
}

std::vector<std::string> driveList() {
    std::vector<std::string> drives{"/"};
    const char* home = std::getenv("HOME");
    std::string folder = home != nullptr ? home : "";
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    if (folder.size() > 1 && folder.front() == '/') {
        drives.push_back(folder);
    }
    return drives;
}

int createFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0755) == 0 ? 0 : errno;
}

int moveFile(const std::string& from, const std::string& to, bool replaceExisting) {
    if (replaceExisting) {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // A file system that cannot refuse to replace: a link made under the new
    // name fails when it is taken, and then the old name goes.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    return ::unlink(from.c_str()) == 0 ? 0 : errno;
}

int resizeFile(const std::string& path, int64_t length) {
    return ::truncate(path.c_str(), static_cast<off_t>(length)) == 0 ? 0 : errno;
}

int readWholeFile(const std::string& path, std::string& out, int64_t maxBytes) {
    out.clear();
    int error = 0;
    const File file = File::openForReading(path, &error);
    if (!file.isOpen()) {
        return error;
    }
    const int64_t size = file.size();
    if (size < 0) {
        return errno;
    }
    if (size > maxBytes) {
        return EFBIG;
    }
    return file.readAt(0, size, out);
}

File::~File() {
    close();
}

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

File File::openForReading(const std::string& path, int* error) {
    return File(openRegular(path, O_RDONLY, error));
}

File File::openForUpdate(const std::string& path, int* error) {
    return File(openRegular(path, O_RDWR, error));
}

File File::createReplacing(const std::string& path, int* error) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && ::unlink(path.c_str()) != 0) {
        setError(error, errno);
        return File();
    }
    const int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        setError(error, errno);
        return File();
    }
    File file(fd);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        setError(error, EINVAL);
        return File();
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (::ftruncate(fd, 0) != 0) {
        setError(error, errno);
        return File();
    }
    setError(error, 0);
    return file;
}

int64_t File::size() const {
    struct stat info {};
    return fd_ >= 0 && ::fstat(fd_, &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}

int File::readAt(int64_t offset, int64_t length, std::string& out) const {
    out.clear();
    if (fd_ < 0) {
        return EBADF;
    }
    if (offset < 0 || length < 0) {
        return EINVAL;
    }
    const int64_t available = size() - offset;
    out.resize(static_cast<size_t>(std::max<int64_t>(0, std::min(length, available))));
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = ::pread(fd_, out.data() + done, out.size() - done,
                                    static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            const int error = got < 0 ? errno : 0;
            out.resize(done);
            return error;
        }
        done += static_cast<size_t>(got);
    }
    return 0;
}

int File::writeAt(int64_t offset, std::string_view bytes) const {
    if (fd_ < 0) {
        return EBADF;
    }
    if (offset < 0) {
        return EINVAL;
    }
    while (!bytes.empty()) {
        const ssize_t put = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes.remove_prefix(static_cast<size_t>(put));
        offset += put;
    }
    return 0;
}

int File::sync() const {
    return fd_ >= 0 ? (::fsync(fd_) == 0 ? 0 : errno) : EBADF;
}

void File::close() {
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
    }
}

ReplacementFile::ReplacementFile(std::string target)
    : target_(std::move(target)), temporary_(target_ + ".tmpXXXXXX") {
    const int fd = ::mkostemp(temporary_.data(), O_CLOEXEC);
    if (fd < 0) {
        openError_ = errno;
        temporary_.clear();
        return;
    }
    // Keep the permissions of the file being replaced; a new one gets 0644.
    struct stat existing {};
    const mode_t mode =
        ::stat(target_.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : mode_t{0644};
    ::fchmod(fd, mode);
    file_ = File::adopt(fd);
}

ReplacementFile::~ReplacementFile() {
    file_.close();
    if (!committed_ && !temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

int ReplacementFile::write(std::string_view bytes) {
    if (openError_ != 0) {
        return openError_;
    }
    const int error = file_.writeAt(written_, bytes);
    if (error == 0) {
        written_ += static_cast<int64_t>(bytes.size());
    }
    return error;
}

int ReplacementFile::commit() {
    if (openError_ != 0) {
        return openError_;
    }
    int error = file_.sync();
    file_.close();
    if (error == 0 && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = errno;
    }
    committed_ = error == 0;
    return error;
}

}  // namespace platform
