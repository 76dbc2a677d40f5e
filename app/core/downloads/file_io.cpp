#include "core/downloads/file_io.h"

#include "platform/runtime_error.h"

namespace tornel {
void clsFileIO2::openFile(const std::string& path) {
    closeFile();
    platform::throwIfErrno(file_.open(path, platform::FileAccess::ReadWriteCreate));
    filePos_ = 1;
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

}  // namespace tornel
