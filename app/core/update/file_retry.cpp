#include "core/update/file_retry.h"

#include "platform/event_loop.h"
#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tornel {
namespace {

constexpr int64_t CopyBlockBytes = 1024 * 1024;

// Lets events run until `ms` have passed on the program's clock.
void waitLettingEventsRun(int64_t ms) {
    const int64_t until = platform::tickCount() + ms;
    for (int64_t left = ms; left > 0; left = until - platform::tickCount()) {
        platform::waitEvents(left < 10 ? left : 10);
    }
}

bool copyOnce(const std::string& source, const std::string& target) {
    int error = 0;
    const platform::File input = platform::File::openForReading(source, &error);
    struct stat sourceStatus {};
    if (error != 0 || ::fstat(input.descriptor(), &sourceStatus) != 0) {
        return false;
    }
    const bool targetExisted = ::access(target.c_str(), F_OK) == 0;
    platform::ReplacementFile output(target);
    std::string block;
    for (int64_t offset = 0;; offset += static_cast<int64_t>(block.size())) {
        if (input.readAt(offset, CopyBlockBytes, block) != 0 || output.write(block) != 0) {
            return false;
        }
        if (block.empty()) {
            break;
        }
    }
    if (output.commit() != 0) {
        return false;
    }
    return targetExisted || ::chmod(target.c_str(), sourceStatus.st_mode & 07777) == 0;
}

bool deleteOnce(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace

bool retryFileOperation(const std::function<bool()>& operation) {
    const int64_t started = platform::tickCount();
    while (!operation()) {
        if (platform::tickCount() - started >= RetryForMs) {
            return false;
        }
        waitLettingEventsRun(RetryEveryMs);
    }
    return true;
}

bool copyFile(const std::string& source, const std::string& target) {
    return retryFileOperation([&] { return copyOnce(source, target); });
}

bool deleteFile(const std::string& path) {
    return retryFileOperation([&] { return deleteOnce(path); });
}

}  // namespace tornel
