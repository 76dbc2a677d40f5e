#include "orvdll/file_io.h"

#include "trap.h"

#include <algorithm>

namespace orv {
namespace {

using Opener = platform::File (*)(const std::string& path, int* error);

// The file `open` gives for `fileName`; a failure carries its errno's
// runtime number and the class's own text.
platform::File openOrThrow(Opener open, const std::string& fileName) {
    int error = 0;
    platform::File file = open(fileName, &error);
    if (!file.isOpen()) {
        throw platform::RuntimeError(platform::errorFromErrno(error).number(),
                                     "Failed to open file: " + fileName);
    }
    return file;
}

}  // namespace

void cFileIO::setFilePosition(int64_t position) {
    if (file_.isOpen() && position >= 0) {
        position_ = position;
        filePointer_ = position;
    }
}

bool cFileIO::OpenExistingFile(const std::string& FileName) {
    return trapErrors(errorText_, false, [&] {
        file_.close();
        file_ = openOrThrow(&platform::File::openForReading, FileName);
        fileSize_ = file_.size();
        filePointer_ = 0;
        return true;
    });
}

bool cFileIO::OpenNewFile(const std::string& FileName) {
    return trapErrors(errorText_, false, [&] {
        file_.close();
        file_ = openOrThrow(&platform::File::createReplacing, FileName);
        filePointer_ = 0;
        return true;
    });
}

void cFileIO::CloseFile() {
    file_.close();
    position_ = 0;
    filePointer_ = 0;
}

int64_t cFileIO::WriteChunk(const std::string& ba) {
    return trapErrors(errorText_, int64_t{0}, [&]() -> int64_t {
        if (!file_.isOpen()) {
            return 0;
        }
        if (const int error = file_.writeAt(filePointer_, ba); error != 0) {
            throw platform::errorFromErrno(error);
        }
        filePointer_ += static_cast<int64_t>(ba.size());
        return static_cast<int64_t>(ba.size());
    });
}

int64_t cFileIO::ReadChunk(int64_t PrefChunkSize, std::string& ba) {
    return trapErrors(errorText_, int64_t{0}, [&]() -> int64_t {
        const int64_t wanted = std::min(PrefChunkSize, fileSize_ - position_);
        if (!file_.isOpen() || wanted <= 0) {
            return 0;
        }
        std::string chunk;
        const int error = file_.readAt(position_, wanted, chunk);
        if (error != 0 && chunk.empty()) {
            throw platform::errorFromErrno(error);
        }
        const auto count = static_cast<int64_t>(chunk.size());
        ba = std::move(chunk);
        position_ += count;
        filePointer_ = position_;
        return count;
    });
}

}  // namespace orv
