#include "core/downloads/file_io.h"

#include "platform/files.h"
#include "platform/runtime_error.h"

#include <cerrno>
#include <filesystem>

namespace tornel {

void clsFileIO2::openFile(const std::string& path) {
    closeFile();
    const int error = file_.open(path, platform::FileAccess::ReadWriteCreate);
    if (error == ENOENT) {
        throw platform::RuntimeError(platform::rt::PathNotFound, "Folder missing");
    }
    platform::throwIfErrno(error);
    path_ = path;
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
    if (!stillAtPath()) {
        throw fileGoneError(path_);
    }
    filePos_ += static_cast<int64_t>(dataChunk.size());
}

void clsFileIO2::closeFile() {
    file_.close();
    filePos_ = 0;
}

platform::RuntimeError fileGoneError(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return platform::RuntimeError(platform::rt::PathNotFound,
                                  platform::isFolder(folder.empty() ? "." : folder)
                                      ? "File removed"
                                      : "Folder removed");
}

}  // namespace tornel
