#include "core/program/single_instance.h"

#include "platform/event_loop.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tornel {
namespace {

constexpr int64_t RetryPauseMs = 50;

bool sameInode(const struct stat& first, const struct stat& second) {
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Whether `descriptor` is still the file at `path`: a copy that ends removes
// its lock file, so a lock taken on a file just removed protects nothing.
bool stillAtPath(int descriptor, const std::string& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(descriptor, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
           sameInode(opened, named);
}

// The holder's process ID, for whoever looks at the file; the lock does not
// depend on it, so a write that fails (a full disk) changes nothing.
void writeProcessId(int descriptor) {
    const std::string text = std::to_string(::getpid()) + "\n";
    if (::ftruncate(descriptor, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(descriptor, text.data(), text.size(), 0);
    }
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(std::string programFolder)
    : path_(std::move(programFolder) + "/Tornel.lock") {}

SingleInstanceLock::~SingleInstanceLock() { release(); }

SingleInstanceLock::Outcome SingleInstanceLock::acquire(int64_t waitMs) {
    if (descriptor_ >= 0) {
        return Outcome::Taken;
    }
    const int64_t deadline = platform::tickCount() + waitMs;
    for (;;) {
        const Outcome outcome = tryOnce();
        if (outcome != Outcome::HeldByAnotherCopy || platform::tickCount() >= deadline) {
            return outcome;
        }
        platform::sleepMs(RetryPauseMs);
    }
}

SingleInstanceLock::Outcome SingleInstanceLock::tryOnce() {
    for (;;) {
        const int descriptor = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (descriptor < 0) {
            failureText_ = std::strerror(errno);
            return Outcome::FolderUnusable;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(descriptor);
            if (error == EWOULDBLOCK) {
                return Outcome::HeldByAnotherCopy;
            }
            failureText_ = std::strerror(error);
            return Outcome::FolderUnusable;
        }
        if (stillAtPath(descriptor, path_)) {
            writeProcessId(descriptor);
            descriptor_ = descriptor;
            return Outcome::Taken;
        }
        // The copy that held it removed the file in the meantime: take the
        // lock on the file that is there now.
        ::close(descriptor);
    }
}

void SingleInstanceLock::release() {
    if (descriptor_ < 0) {
        return;
    }
    // Removed while still locked, so a starting copy that opened this file
    // sees it gone and opens a new one.
    if (stillAtPath(descriptor_, path_)) {
        ::unlink(path_.c_str());
    }
    ::close(descriptor_);
    descriptor_ = -1;
}

}  // namespace tornel
