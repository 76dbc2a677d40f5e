#include "file_send.h"

#include "error_log.h"
#include "file_packets.h"
#include "guarded.h"
#include "library_state.h"
#include "transforms.h"

#include "platform/runtime_error.h"
#include "qellib/x_file.h"

#include <algorithm>
#include <utility>

namespace qel {
namespace {

cXFile* uploadOf(Session& own, const std::string& reqID) {
    std::shared_ptr<cXFile>* found = own.uploads.find(reqID);
    return found != nullptr ? found->get() : nullptr;
}

}  // namespace

bool clsFileSend::openFile(Session& own, const std::string& path, const cXRange* range) {
    const bool opened = guarded("openFile", false, [&] {
        if (const int error = file_.open(path, platform::FileAccess::ReadOnly); error != 0) {
            throw platform::errorFromErrno(error);
        }
        lngSize = file_.size();
        if (lngSize < 0) {
            throw platform::RuntimeError(platform::rt::DeviceIOError);
        }
        return true;
    });
    if (!opened) {
        return false;
    }
    if (cXFile* upload = uploadOf(own, reqID)) {
        upload->lngSize = lngSize;
    }
    const std::optional<ByteSpan> span = servedSpan(range, lngSize);
    if (!span) {
        closeFile();
        return false;
    }
    completedProgress = span->first - 1;
    stopReadingAt = span->last;
    return true;
}

clsFileSend::Chunk clsFileSend::readNext(const Session& own) const {
    Chunk chunk;
    const int64_t first = completedProgress + 1;
    if (first > stopReadingAt) {
        chunk.status = FS_Complete;  // an empty file: one FILE, no data, no range
        return chunk;
    }
    const int64_t count = std::min(chunkSizeFor(own.filePacket), stopReadingAt - first + 1);
    if (const int error = file_.read(first, count, chunk.bytes); error != 0) {
        throw platform::errorFromErrno(error);
    }
    if (static_cast<int64_t>(chunk.bytes.size()) != count) {
        throw platform::RuntimeError(platform::rt::InputPastEndOfFile);  // the file shrank
    }
    chunk.first = first;
    chunk.last = first + count - 1;
    chunk.status = chunk.last >= stopReadingAt ? FS_Complete : FS_Transferring;
    chunk.contentRange = contentRangeText(first, chunk.last, lngSize);
    return chunk;
}

void clsFileSend::sendNext(Session& own) {
    if (sendDone_) {
        return;
    }
    std::optional<Chunk> chunk =
        guarded("sendNext", std::optional<Chunk>(), [&] { return std::optional(takeNext(own)); });
    if (!chunk) {
        cancelAndTell(own);
        return;
    }
    const int64_t last = chunk->last;
    const enmFileStatus status = chunk->status;
    const bool taken = sendFileChunk(own, destID, chunk->contentRange, std::move(chunk->bytes),
                                     reqID, status, Metadata, nullptr, this, chunk->originalLength);
    if (taken && !sendDone_) {
        commit(own, last, status);
    }
}

clsFileSend::Chunk clsFileSend::takeNext(const Session& own) {
    std::optional<Chunk> ahead = std::exchange(ahead_, std::nullopt);
    // Compressed ahead only while the connection would compress it the same
    // way: encryption goes before compression.
    const bool packingHolds = !ahead || !ahead->originalLength || (own.useComp && !own.useEnc);
    if (ahead && ahead->first == completedProgress + 1 && packingHolds) {
        return std::move(*ahead);
    }
    return readNext(own);
}

void clsFileSend::readAhead(const Session& own) {
    if (sendDone_ || (ahead_ && ahead_->first == completedProgress + 1)) {
        return;
    }
    try {
        Chunk chunk = readNext(own);
        if (own.useComp && !own.useEnc && !chunk.bytes.empty()) {
            const auto length = static_cast<int64_t>(chunk.bytes.size());
            bool compressed = false;
            // A failure leaves the bytes as read: the connection tries again.
            if (library().bodyCompressor.compress(chunk.bytes, compressed) && compressed) {
                chunk.originalLength = length;
            }
        }
        ahead_ = std::move(chunk);
    } catch (const platform::RuntimeError&) {
        // Met again, and reported, when the chunk is due.
    }
}

void clsFileSend::commit(Session& own, int64_t last, enmFileStatus status) {
    if (last >= 0) {
        completedProgress = last;
    }
    if (status == FS_Complete) {
        closeFile();
        sendDone_ = true;
    }
    if (cXFile* upload = uploadOf(own, reqID); upload && upload->Status != FS_Canceled) {
        upload->Status = status;
    }
}

void clsFileSend::Cancel(Session& own) {
    guarded("Cancel", [&] {
        sendDone_ = true;
        closeFile();
        if (cXFile* upload = uploadOf(own, reqID)) {
            upload->Status = FS_Canceled;
        }
    });
}

void clsFileSend::cancelAndTell(Session& own) {
    Cancel(own);
    sendFileRefusal(reqID, destID);
}

void clsFileSend::dropQuietly() {
    sendDone_ = true;
    closeFile();
}

void clsFileSend::closeFile() {
    ahead_.reset();
    guarded("closeFile", [&] { file_.close(); });
}

}  // namespace qel
