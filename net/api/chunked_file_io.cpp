#include "chunked_file_io.h"

#include "platform/runtime_error.h"

#include <algorithm>
#include <cerrno>

namespace qel {
void clsFileIO2::openFile(const std::string& path, platform::FileAccess access) {
    closeFile();
    platform::throwIfErrno(file_.open(path, access));
    filePos_ = 1;
}

int64_t clsFileIO2::fileLength() const {
    const int64_t length = file_.size();
    if (length < 0) {
        platform::throwIfErrno(errno != 0 ? errno : EIO);
    }
    return length;
}

int64_t clsFileIO2::readChunk(int64_t lngSize, std::string& bytData) {
    if (!file_.isOpen()) {
        return 0;
    }
    const int64_t left = fileLength() - filePos_ + 1;
    if (lngSize < 1 || filePos_ < 1 || left < 1) {
        throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
    }
    platform::throwIfErrno(file_.read(filePos_ - 1, std::min(lngSize, left), bytData));
    if (bytData.empty()) {
        throw platform::RuntimeError(platform::rt::InputPastEndOfFile);  // the file shrank
    }
    const auto count = static_cast<int64_t>(bytData.size());
    filePos_ += count;
    return count;
}

bool clsFileIO2::endOfFile() const {
    if (!file_.isOpen()) {
        throw platform::RuntimeError(platform::rt::BadFileNameOrNumber);
    }
    return filePos_ > fileLength();
}

void clsFileIO2::writeChunk(std::string_view dataChunk) {
    if (!file_.isOpen()) {
        return;
    }
    if (filePos_ < 1) {
        throw platform::RuntimeError(platform::rt::BadFileNameOrNumber);
    }
    platform::throwIfErrno(file_.write(filePos_ - 1, dataChunk));
    filePos_ += static_cast<int64_t>(dataChunk.size());
}

void clsFileIO2::closeFile() {
    file_.close();
    filePos_ = 0;
}

}  // namespace qel
