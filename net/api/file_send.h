#pragma once

#include "session.h"
#include "transfer_range.h"

#include "platform/positioned_file.h"
#include "qellib/types.h"
#include "qellib/variant.h"
#include "qellib/x_range.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qel {

// One file being sent to one node as FILE chunks: a served GET or a push.
// It hands one chunk at a time to the connections; the next is asked for by
// checkNextChunk (when the socket has drained the last one, or when the
// receiver confirms). A chunk counts as sent ("committed": progress, end of
// the file, the upload's status) only once a connection has taken it; one
// held back for want of a route is read and sent again from the same offset
// the next time. Every operation works in the session given, which is the
// current one.
class clsFileSend {
  public:
    int64_t lngSize = 0;             // the file's size, from the open file
    int64_t completedProgress = -1;  // the last byte committed; first byte - 1 before
    int64_t stopReadingAt = -1;      // the last byte to send
    int32_t routingFailures = 0;     // chunks in a row that found no route
    std::string reqID;
    std::string destID;  // the receiver
    Variant Metadata = std::string();

    // Opens the file read-only (never created) and sets the bytes to send:
    // what `range` selects of it (transfer_range.h), the whole file when it
    // is null. False when the file cannot be opened (reported, source
    // "openFile") or the range selects nothing; nothing is sent then.
    bool openFile(Session& own, const std::string& path, const cXRange* range);
    // Reads and sends the next chunk (or the one held back); the last one
    // goes with status complete, an empty file as one FILE without data. A
    // read that fails or comes up short (the file shrank) cancels the
    // transfer and tells the receiver. Nothing once finished.
    void sendNext(Session& own);
    // Reads the next chunk ahead, compressed as the connection would, so
    // that work overlaps the last chunk's trip to the receiver; sendNext
    // takes it when it is still the one due. A read that fails here is met
    // again, and reported, by sendNext.
    void readAhead(const Session& own);
    // Stops the transfer: nothing more is sent, the file is closed and the
    // upload's status becomes cancelled.
    void Cancel(Session& own);
    // Cancel, and tell the receiver with a FILE of status cancelled.
    void cancelAndTell(Session& own);
    // Stops without a word and leaves the upload record alone: a new
    // transfer under the same request ID takes over.
    void dropQuietly();

    // The last chunk was committed, or the transfer was cancelled.
    bool finished() const { return sendDone_; }

  private:
    struct Chunk {
        std::string bytes;
        std::string contentRange;  // "" for an empty file
        int64_t first = 0;
        int64_t last = -1;
        enmFileStatus status = FS_Transferring;
        std::optional<int64_t> originalLength;  // set when `bytes` are compressed
    };

    Chunk readNext(const Session& own) const;
    // The chunk read ahead when it is still the one due and fits the
    // session's settings, else the next one read now.
    Chunk takeNext(const Session& own);
    void commit(Session& own, int64_t last, enmFileStatus status);
    void closeFile();

    platform::PositionedFile file_;  // read at 64-bit offsets; its size from the open file
    std::optional<Chunk> ahead_;     // the chunk after the last one taken
    bool sendDone_ = false;
};

}  // namespace qel
