#include "orvdll/lockmantle.h"

#include "lockmantle_key.h"
#include "trap.h"

#include "platform/event_loop.h"
#include "platform/files.h"
#include "platform/runtime_error.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string_view>

namespace orv {
namespace {

constexpr std::string_view Marker = "FileEncedByLockmantle";
constexpr auto MarkerLength = static_cast<int64_t>(Marker.size());
constexpr int64_t ChunkSize = 65536;

constexpr int32_t Done = 0;
constexpr int32_t Refused = 9999;

const std::string NoPassword = "No Password Specified";
const std::string RefusedData(1, '\0');

[[noreturn]] void refuse(const char* text) {
    throw platform::RuntimeError(Refused, text);
}

[[noreturn]] void outOfRange() {
    throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
}

std::string encipheredMarker(std::string_view key) {
    std::string marker(Marker);
    xorWithKey(marker, key);
    return marker;
}

// The checks both file operations make before touching a file.
void checkFileArguments(const std::string& file, const std::string& password) {
    if (!platform::isRegularFile(file)) {
        throw platform::RuntimeError(platform::rt::FileNotFound, "");
    }
    if (password.empty()) {
        throw platform::RuntimeError(Refused, "");
    }
}

platform::File openSource(const std::string& file) {
    platform::File source = platform::File::openForReading(file);
    if (!source.isOpen()) {
        refuse("CreateFile Failed");
    }
    return source;
}

// The destination is written beside its target and renamed over it on commit,
// so nothing but a finished result ever replaces it. Naming the source itself
// (also through a link) is refused before anything is created.
std::unique_ptr<platform::ReplacementFile> createDestination(const std::string& file,
                                                             const std::string& destFile) {
    if (platform::sameFile(file, destFile) || platform::isFolder(destFile)) {
        refuse("CreateFile Failed");
    }
    auto destination = std::make_unique<platform::ReplacementFile>(destFile);
    if (destination->openError() != 0) {
        refuse("CreateFile Failed");
    }
    return destination;
}

// Exactly `length` bytes at `offset`: a file that shrinks meanwhile is a failed read.
std::string readChunk(const platform::File& source, int64_t offset, int64_t length) {
    std::string bytes;
    if (source.readAt(offset, length, bytes) != 0 || static_cast<int64_t>(bytes.size()) != length) {
        refuse("ReadFile Failed");
    }
    return bytes;
}

void writeChunk(platform::ReplacementFile& destination, std::string_view bytes) {
    if (destination.write(bytes) != 0) {
        refuse("WriteFile Failed");
    }
}

int32_t commit(platform::ReplacementFile& destination) {
    if (destination.commit() != 0) {
        refuse("WriteFile Failed");
    }
    return Done;
}

// Raises EncProgress whenever the whole percentage of `basis` changes.
class ProgressReport {
  public:
    ProgressReport(LockmantleEvents* events, int64_t basis) : events_(events), basis_(basis) {}

    // Whether the handler cancelled at `position`.
    bool cancelledAt(int64_t position) {
        auto percent = static_cast<int32_t>(
            std::floor(static_cast<double>(position) / static_cast<double>(basis_) * 100.0));
        if (percent == last_ || events_ == nullptr) {
            return false;
        }
        last_ = percent;
        bool cancel = false;
        try {
            events_->EncProgress(percent, cancel);
        } catch (...) {
        }
        return cancel;
    }

  private:
    LockmantleEvents* events_;
    int64_t basis_;
    int32_t last_ = 0;
};

// The frame of both file operations: the checks made before any file is
// touched, the opened source, and every failure turned into its number and
// last-error text.
template <class Body>
int32_t runFileOperation(std::string& lastError, const std::string& file,
                         const std::string& password, Body&& body) {
    lastError.clear();
    return trapErrors(
        lastError, [](const platform::RuntimeError& error) { return error.number(); },
        [&]() -> int32_t {
            checkFileArguments(file, password);
            const platform::File source = openSource(file);
            return body(source, source.size());
        });
}

}  // namespace

std::string cLockmantle::EncString(const std::string& strEnc, const std::string& password) {
    if (strEnc.empty()) {
        outOfRange();
    }
    return EncryptData(strEnc, password);
}

std::string cLockmantle::DecString(const std::string& strDec, const std::string& password) {
    if (strDec.empty()) {
        outOfRange();
    }
    return DecryptData(strDec, password);
}

std::string cLockmantle::EncryptData(const std::string& data, const std::string& password) {
    lastLMError_.clear();
    if (password.empty()) {
        lastLMError_ = NoPassword;
        return RefusedData;
    }
    const std::string key = makeKey(static_cast<int64_t>(data.size()), password);
    requireKeyStream(key);
    std::string result = data;
    xorWithKey(result, key);
    return result + encipheredMarker(key);
}

std::string cLockmantle::DecryptData(const std::string& data, const std::string& password) {
    lastLMError_.clear();
    if (password.empty()) {
        lastLMError_ = NoPassword;
        return RefusedData;
    }
    if (data.size() < Marker.size()) {
        outOfRange();
    }
    const size_t dataLength = data.size() - Marker.size();
    const std::string key = makeKey(static_cast<int64_t>(dataLength), password);
    requireKeyStream(key);
    std::string marker = data.substr(dataLength);
    xorWithKey(marker, key);
    if (marker != Marker) {
        lastLMError_ = "Invalid Password";
        return RefusedData;
    }
    std::string result = data.substr(0, dataLength);
    xorWithKey(result, key);
    return result;
}

int32_t cLockmantle::EncryptFile(const std::string& file, const std::string& destFile,
                                 const std::string& password) {
    return runFileOperation(
        lastLMError_, file, password, [&](const platform::File& source, int64_t size) {
            const std::string key = makeKey(size, password);
            requireKeyStream(key);
            const auto destination = createDestination(file, destFile);

            const int64_t chunk = size > ChunkSize - 1 ? ChunkSize : size;
            ProgressReport progress(events_, size);
            for (int64_t position = 0; position < size;) {
                std::string bytes = readChunk(source, position, std::min(chunk, size - position));
                position += static_cast<int64_t>(bytes.size());
                xorWithKey(bytes, key);
                if (progress.cancelledAt(position)) {
                    return Done;  // an unfinished encryption never reaches the destination
                }
                writeChunk(*destination, bytes);
                if (position < size) {
                    platform::doEvents();
                }
            }
            writeChunk(*destination, encipheredMarker(key));
            return commit(*destination);
        });
}

int32_t cLockmantle::DecryptFile(const std::string& file, const std::string& destFile,
                                 const std::string& password) {
    return runFileOperation(
        lastLMError_, file, password, [&](const platform::File& source, int64_t size) {
            const int64_t dataLength = size - MarkerLength;
            if (dataLength < 0) {
                outOfRange();
            }
            const std::string key = makeKey(dataLength, password);
            requireKeyStream(key);
            std::string marker = readChunk(source, dataLength, MarkerLength);
            xorWithKey(marker, key);
            if (marker != Marker) {
                refuse("Wrong Password!");
            }
            const auto destination = createDestination(file, destFile);

            // The chunks start where the encryption's did, so the key stream
            // restarts at the same offsets.
            const int64_t chunk = size >= ChunkSize ? ChunkSize : dataLength;
            ProgressReport progress(events_, size);
            for (int64_t position = 0; position != dataLength && position != size;) {
                const int64_t start = position;
                std::string bytes = readChunk(source, start, std::min(chunk, size - start));
                position += static_cast<int64_t>(bytes.size());
                const auto beforeMarker =
                    static_cast<size_t>(std::max<int64_t>(0, dataLength - start));
                bytes.resize(std::min(bytes.size(), beforeMarker));
                xorWithKey(bytes, key);
                if (progress.cancelledAt(position)) {
                    break;  // what was decrypted so far stays
                }
                writeChunk(*destination, bytes);
                platform::doEvents();
            }
            return commit(*destination);
        });
}

}  // namespace orv
