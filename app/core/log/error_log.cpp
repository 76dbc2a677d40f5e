#include "core/log/error_log.h"

#include <fcntl.h>
#include <unistd.h>

namespace tornel {

ErrorLog::ErrorLog(std::string path) : path_(std::move(path)) {}

void ErrorLog::clear() const {
    if (!path_.empty()) {
        ::unlink(path_.c_str());
    }
}

void ErrorLog::logError(std::string_view description, int64_t number,
                        std::string_view source) const {
    if (path_.empty()) {
        return;
    }
    const std::string line = formatLine(description, number, source) + "\r\n";
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return;
    }
    // One write per line with O_APPEND: a line never interleaves with another.
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

std::string ErrorLog::formatLine(std::string_view description, int64_t number,
                                 std::string_view source) {
    std::string line;
    if (!source.empty()) {
        line.append("[").append(source).append("] ");
    }
    line += "Error";
    if (number != -1) {
        line += " " + std::to_string(number);
    }
    line.append(": ").append(description);
    return line;
}

}  // namespace tornel
