#pragma once

#include "session.h"
#include "transfer_range.h"

#include "platform/positioned_file.h"
#include "qellib/types.h"
#include "qellib/variant.h"
#include "qellib/x_range.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qel {

class clsSocket;

// One file being sent to one node as FILE chunks: a served GET or a push.
// Without route-file confirmation it hands one chunk at a time to the
// connections, the next once the connection has written the last out. With
// it, each chunk waits for the receiver's FILECONFIRM (matched by the chunk's
// packet ID), and once the receiver has confirmed a window's worth of bytes
// one chunk at a time, chunks go on while those unconfirmed stay within the
// window (transfer_limits.h) and ride one connection; each confirmation lets
// the next go. A chunk held back for want of a route waits for the
// receiver's answer to a REQCONFIRM and is then sent again from the same
// offset.
//
// Its bytes are tracked in three marks: handed to a connection
// (completedProgress), confirmed by the receiver (confirmedProgress, only
// ever moved by route-file confirmation), and the last to send
// (stopReadingAt). When a connection that carried a chunk not yet confirmed
// (or written) closes, the transfer goes on from the first unconfirmed byte
// by another route, or is cancelled. The file stays open until the transfer
// has ended. Every operation works in the session given, which is the
// current one.
class clsFileSend {
  public:
    int64_t lngSize = 0;             // the file's size, from the open file
    int64_t completedProgress = -1;  // the last byte handed to a connection; first byte - 1 before
    int64_t confirmedProgress = -1;  // the last byte the receiver confirmed; first byte - 1 before
    int64_t stopReadingAt = -1;      // the last byte to send
    int32_t routingFailures = 0;     // chunks in a row that found no route
    std::string reqID;
    std::string destID;  // the receiver
    Variant Metadata = std::string();
    bool pacedByConfirmation = false;  // chunks flagged "RF", each confirmed by the receiver

    // Opens the file read-only (never created) and sets the bytes to send:
    // what `range` selects of it (transfer_range.h), the whole file when it
    // is null. False when the file cannot be opened (reported, source
    // "openFile") or the range selects nothing; nothing is sent then.
    bool openFile(Session& own, const std::string& path, const cXRange* range);

    // Reads and sends the next chunk (or the one held back); the last one
    // goes with status complete, an empty file as one FILE without data. A
    // read that fails or comes up short (the file shrank), or a file that
    // changed since it was opened (size, modification time, or another file
    // now at its path), cancels the transfer and tells the receiver. Nothing once every chunk is
    // handed over, or once finished.
    void sendNext(Session& own);
    // The receiver's FILECONFIRM of the packet `confirmedID` names (the
    // FILE's "ID" followed by "RF"): with route-file confirmation, that chunk
    // and every one before it arrived, and the next chunks go as the window
    // allows, or the transfer ends with its last chunk confirmed. One that
    // names no chunk under way answers a REQCONFIRM: a held chunk may go.
    void confirmed(Session& own, std::string_view confirmedID);
    // `connection` has written out a chunk ending at `lastByte`. Without
    // route-file confirmation the next chunk goes (or the transfer ends with
    // its last one written); with it, the next is read ahead meanwhile.
    void written(Session& own, const std::shared_ptr<clsSocket>& connection, int64_t lastByte);

    // Whether a chunk under way, or one whose confirmation is awaited, rode
    // `connection`.
    bool rides(const std::shared_ptr<clsSocket>& connection) const;
    // Its connection closed at `nowMs`: the transfer waits to be settled.
    void interrupt(int64_t nowMs) { interruptedAt_ = nowMs; }
    bool interrupted() const { return interruptedAt_ != 0; }
    // Goes on from the first unconfirmed byte (by whatever route there is now).
    void resumeFromFirstUnconfirmed(Session& own);
    int64_t firstUnconfirmedByte() const { return confirmedProgress + 1; }
    // A FILECONFIRM awaited since longer than the bound, at `nowMs`.
    bool waitedTooLong(int64_t nowMs) const {
        return confirmDeadline_ != 0 && nowMs >= confirmDeadline_;
    }

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

    // The transfer has ended: its last chunk arrived, or it was cancelled.
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

    // A chunk handed over and not yet confirmed: its last byte, the ID its
    // confirmation carries, and the connection it rode.
    struct Unconfirmed {
        int64_t last = -1;
        std::string confirmationID;
        std::weak_ptr<clsSocket> connection;
    };

    Chunk readNext(const Session& own) const;
    void checkUnchanged() const;
    bool windowHasRoom(const Session& own) const;
    void confirmUpTo(std::deque<Unconfirmed>::iterator confirmedChunk);
    // The chunk read ahead when it is still the one due and fits the
    // session's settings, else the next one read now.
    Chunk takeNext(const Session& own);
    void handedOver(Session& own, int64_t last, enmFileStatus status);
    void finish(Session& own);
    void closeFile();

    platform::PositionedFile file_;  // read at 64-bit offsets; its size from the open file
    std::string path_;               // where it was opened
    std::optional<platform::FileVersion> opened_;  // the version being sent
    std::optional<Chunk> ahead_;                   // the chunk after the last one taken
    std::weak_ptr<clsSocket> riding_;      // the connection the chunk under way was handed to
    std::deque<Unconfirmed> unconfirmed_;  // oldest first (route-file confirmation only)
    int64_t confirmedSinceStart_ = 0;      // bytes confirmed since the transfer (re)started
    int64_t confirmDeadline_ = 0;          // tick count a FILECONFIRM is due by; 0: none awaited
    int64_t interruptedAt_ = 0;            // tick count its connection closed; 0: not interrupted
    bool allHandedOver_ = false;           // the last chunk is under way
    bool holding_ = false;                 // a chunk waits for a route
    bool sendDone_ = false;
};

}  // namespace qel
