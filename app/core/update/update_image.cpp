#include "core/update/update_image.h"

#include "core/update/program_image.h"
#include "platform/runtime_error.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tornel {
namespace {

constexpr mode_t ExecutableMode = 0755;

std::string writeFailure(int error) {
    return "Update.dat could not be written: " + platform::errorFromErrno(error).description();
}

}  // namespace

UpdateImage::UpdateImage(std::string path, std::string ownHead)
    : path_(std::move(path)), ownHead_(std::move(ownHead)) {}

int UpdateImage::create() {
    file_.close();
    size_ = 0;
    head_.clear();
    // Removed first rather than emptied: it may be the image an earlier
    // update started, which cannot be opened for writing while it runs.
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT) {
        return errno;
    }
    int error = 0;
    file_ = platform::File::createReplacing(path_, &error);
    return error;
}

std::optional<std::string> UpdateImage::append(std::string_view block, std::optional<int64_t> at) {
    if (!file_.isOpen()) {
        return std::string("Update.dat is not open");
    }
    if (at) {
        if (*at > size_) {
            return "A part of the program image is missing: " + std::to_string(*at - size_) +
                   " bytes after the first " + std::to_string(size_);
        }
        const int64_t held = size_ - std::max<int64_t>(*at, 0);
        if (held >= static_cast<int64_t>(block.size())) {
            return std::nullopt;
        }
        block.remove_prefix(static_cast<size_t>(held));
    }
    const int64_t length = static_cast<int64_t>(block.size());
    if (length > program_image::MaxBytes - size_) {
        return program_image::fault(head_, size_ + length, ownHead_);
    }
    const bool headWasShort = head_.size() < program_image::HeadBytes;
    head_.append(block.substr(0, program_image::HeadBytes - head_.size()));
    if (headWasShort && head_.size() == program_image::HeadBytes) {
        // Only the size is left to check once the whole header is known.
        if (auto refused = program_image::fault(head_, program_image::MinBytes, ownHead_)) {
            return refused;
        }
    }
    if (const int error = file_.writeAt(size_, block); error != 0) {
        return writeFailure(error);
    }
    size_ += length;
    return std::nullopt;
}

std::optional<std::string> UpdateImage::complete(std::optional<int64_t> expectedSize) {
    if (expectedSize && *expectedSize != size_) {
        return "The program image is incomplete: " + std::to_string(size_) + " of " +
               std::to_string(*expectedSize) + " bytes arrived";
    }
    if (auto refused = program_image::fault(head_, size_, ownHead_)) {
        return refused;
    }
    int error = file_.sync();
    if (error == 0 && ::fchmod(file_.descriptor(), ExecutableMode) != 0) {
        error = errno;
    }
    file_.close();
    if (error != 0) {
        return writeFailure(error);
    }
    return std::nullopt;
}

void UpdateImage::discard() {
    file_.close();
    ::unlink(path_.c_str());
}

}  // namespace tornel
