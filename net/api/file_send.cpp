#include "file_send.h"

#include "error_log.h"
#include "file_packets.h"
#include "guarded.h"
#include "library_state.h"
#include "transfer_limits.h"
#include "transforms.h"

#include "platform/event_loop.h"
#include "platform/runtime_error.h"
#include "qellib/x_file.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace qel {
namespace {

// The upload record of this transfer: the one under its request ID, when it
// is this receiver's.
cXFile* uploadOf(Session& own, const std::string& reqID, const std::string& destID) {
    std::shared_ptr<cXFile>* found = own.uploads.find(reqID);
    return found != nullptr && (*found)->nodeID == destID ? found->get() : nullptr;
}

int64_t confirmDeadline(const Session& own) {
    return platform::deadlineAfter(transfer_limits::ConfirmWaitTimeouts *
                                   std::max<int64_t>(own.Timeout, 1));
}

}  // namespace

bool clsFileSend::openFile(Session& own, const std::string& path, const cXRange* range) {
    const bool opened = guarded("openFile", false, [&] {
        if (const int error = file_.open(path, platform::FileAccess::ReadOnly); error != 0) {
            throw platform::errorFromErrno(error);
        }
        opened_ = file_.version();
        if (!opened_) {
            throw platform::RuntimeError(platform::rt::DeviceIOError);
        }
        path_ = path;
        lngSize = opened_->size;
        return true;
    });
    if (!opened) {
        return false;
    }
    if (cXFile* upload = uploadOf(own, reqID, destID)) {
        upload->lngSize = lngSize;
    }
    const std::optional<ByteSpan> span = servedSpan(range, lngSize);
    if (!span) {
        closeFile();
        return false;
    }
    completedProgress = span->first - 1;
    confirmedProgress = completedProgress;
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

// The bytes sent so far and those of a chunk just read are of one version
// of the file only while the open file kept its size and time and the path
// still names it: a file written over in place, or another one renamed over
// it, would arrive as a mix of versions.
void clsFileSend::checkUnchanged() const {
    if (file_.version() != opened_ || platform::versionAt(path_) != opened_) {
        throw platform::RuntimeError(platform::rt::DeviceIOError,
                                     "The file \"" + path_ + "\" changed while it was sent");
    }
}

void clsFileSend::sendNext(Session& own) {
    if (sendDone_ || allHandedOver_) {
        return;
    }
    std::optional<Chunk> chunk = guarded("sendNext", std::optional<Chunk>(), [&] {
        std::optional<Chunk> next(takeNext(own));
        checkUnchanged();  // after the read, so that what was read is covered
        return next;
    });
    if (!chunk) {
        cancelAndTell(own);
        return;
    }
    const int64_t last = chunk->last;
    const enmFileStatus status = chunk->status;
    SentChunk sent;
    const bool taken =
        sendFileChunk(own, destID, chunk->contentRange, std::move(chunk->bytes), reqID, status,
                      Metadata, nullptr, this, chunk->originalLength, &sent);
    if (sendDone_) {
        return;  // routing failed for good
    }
    if (!taken) {
        // Held: the receiver's answer to the REQCONFIRM lets it go again.
        holding_ = true;
        confirmDeadline_ = confirmDeadline(own);
        return;
    }
    riding_ = sent.connection;
    if (pacedByConfirmation) {
        unconfirmed_.push_back({last, sent.packetID + "RF", sent.connection});
    }
    handedOver(own, last, status);
}

void clsFileSend::handedOver(Session& own, int64_t last, enmFileStatus status) {
    holding_ = false;
    if (last >= 0) {
        completedProgress = last;
    }
    allHandedOver_ = status == FS_Complete;
    confirmDeadline_ = pacedByConfirmation ? confirmDeadline(own) : 0;
    if (cXFile* upload = uploadOf(own, reqID, destID); upload && upload->Status != FS_Canceled) {
        upload->Status = FS_Transferring;
    }
    // An empty file's one FILE carries no range, so no write of it is reported.
    if (allHandedOver_ && last < 0 && !pacedByConfirmation) {
        finish(own);
    }
}

void clsFileSend::confirmed(Session& own, std::string_view confirmedID) {
    if (sendDone_) {
        return;
    }
    const auto chunk =
        std::find_if(unconfirmed_.begin(), unconfirmed_.end(),
                     [&](const Unconfirmed& sent) { return sent.confirmationID == confirmedID; });
    if (chunk == unconfirmed_.end()) {
        // Not a chunk's: the answer to a REQCONFIRM lets a held chunk go. A
        // stray one (a chunk's confirmed already) changes nothing.
        if (holding_) {
            confirmDeadline_ = 0;
            sendNext(own);
        }
        return;
    }
    confirmUpTo(chunk);
    if (allHandedOver_ && unconfirmed_.empty()) {
        finish(own);
        return;
    }
    if (!holding_) {
        confirmDeadline_ = unconfirmed_.empty() ? 0 : confirmDeadline(own);
    }
    while (!sendDone_ && !allHandedOver_ && !holding_ && windowHasRoom(own)) {
        sendNext(own);
    }
}

// Chunks arrive in order on a route, so a confirmation also stands for
// every chunk before its own whose confirmation has not come (yet).
void clsFileSend::confirmUpTo(std::deque<Unconfirmed>::iterator confirmedChunk) {
    if (confirmedChunk->last > confirmedProgress) {
        confirmedSinceStart_ += confirmedChunk->last - confirmedProgress;
        confirmedProgress = confirmedChunk->last;
    }
    unconfirmed_.erase(unconfirmed_.begin(), std::next(confirmedChunk));
}

bool clsFileSend::windowHasRoom(const Session& own) const {
    if (unconfirmed_.empty()) {
        return true;
    }
    if (confirmedSinceStart_ < transfer_limits::UnconfirmedWindowBytes) {
        return false;  // the window is not open yet
    }
    // A confirmation stands for the chunks before it only while they all
    // ride one connection: a chunk for a new route waits for the rest.
    if (chunkRoute(own, destID) != unconfirmed_.back().connection.lock()) {
        return false;
    }
    const int64_t next = std::min(chunkSizeFor(own.filePacket), stopReadingAt - completedProgress);
    return completedProgress - confirmedProgress + next <= transfer_limits::UnconfirmedWindowBytes;
}

void clsFileSend::written(Session& own, const std::shared_ptr<clsSocket>& connection,
                          int64_t lastByte) {
    if (sendDone_ || lastByte != completedProgress || riding_.lock() != connection) {
        return;  // not the chunk under way (one sent before the transfer went on afresh)
    }
    if (pacedByConfirmation) {
        readAhead(own);
    } else if (allHandedOver_) {
        finish(own);
    } else {
        sendNext(own);
    }
}

bool clsFileSend::rides(const std::shared_ptr<clsSocket>& connection) const {
    if (sendDone_) {
        return false;
    }
    return (!holding_ && riding_.lock() == connection) ||
           std::any_of(unconfirmed_.begin(), unconfirmed_.end(), [&](const Unconfirmed& sent) {
               return sent.connection.lock() == connection;
           });
}

void clsFileSend::resumeFromFirstUnconfirmed(Session& own) {
    interruptedAt_ = 0;
    confirmDeadline_ = 0;
    routingFailures = 0;
    holding_ = false;
    allHandedOver_ = false;
    riding_.reset();
    unconfirmed_.clear();
    confirmedSinceStart_ = 0;
    completedProgress = confirmedProgress;
    ahead_.reset();
    sendNext(own);
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
    if (sendDone_ || allHandedOver_ || (ahead_ && ahead_->first == completedProgress + 1)) {
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

void clsFileSend::finish(Session& own) {
    closeFile();
    sendDone_ = true;
    confirmDeadline_ = 0;
    if (cXFile* upload = uploadOf(own, reqID, destID); upload && upload->Status != FS_Canceled) {
        upload->Status = FS_Complete;
    }
}

void clsFileSend::Cancel(Session& own) {
    guarded("Cancel", [&] {
        sendDone_ = true;
        confirmDeadline_ = 0;
        closeFile();
        if (cXFile* upload = uploadOf(own, reqID, destID)) {
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
    confirmDeadline_ = 0;
    closeFile();
}

void clsFileSend::closeFile() {
    ahead_.reset();
    unconfirmed_.clear();
    guarded("closeFile", [&] { file_.close(); });
}

}  // namespace qel
