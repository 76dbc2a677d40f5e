#pragma once

#include "core/downloads/blocks_ahead.h"
#include "core/downloads/file_io.h"
#include "core/interfaces/download_window.h"
#include "core/state/chunk.h"
#include "qellib/x_range.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace tornel {

struct AppState;

// The states of a download.
enum DownloadStatus : int32_t {
    DL_Pending = 0,
    DL_Starting = 1,
    DL_Downloading = 2,
    DL_Complete = 3,
    DL_Cancelled = 4,
};

// The record of one download, kept in `downloads` under its `Key`: a file
// asked of another node, or one another user pushed and this user took.
// It owns its local file and its status window.
class cDownload : public std::enable_shared_from_this<cDownload> {
  public:
    explicit cDownload(AppState& state);
    ~cDownload();
    cDownload(const cDownload&) = delete;
    cDownload& operator=(const cDownload&) = delete;

    std::unique_ptr<clsFileIO2> fileIO;
    std::shared_ptr<DownloadWindow> statusWindow;
    // The file as the remote node shares it; "\UPLOAD\" + name for a pushed file.
    std::string remotePath;
    // The transfer's request ID, which incoming blocks carry.
    std::string reqID;
    std::string nodeID;
    std::string Key;
    std::string localPath;
    int32_t Status = DL_Pending;
    std::string extendedStatus;
    // The bytes asked for (-1s for the whole file); null for a pushed file.
    std::shared_ptr<qel::cXRange> Range;
    bool pushedFile = false;
    // Bytes received since the last speed sample.
    int64_t lngThisChunk = 0;
    // For a requested file the 0-based index of the last byte written (so
    // -1 before the first); for a pushed file the count of bytes received.
    int64_t lngProgress = 0;
    int64_t lngSize = 0;
    // Whether a block has arrived yet.
    bool receiving = false;
    // Whether the download may take the place of a file at `localPath` when
    // it completes: a place the user chose to overwrite. Otherwise a file
    // there is kept and the download takes the next free name beside it.
    bool mayReplaceLocalFile = false;
    // Blocks written beyond a gap, not yet counted as present.
    BlocksAhead blocksAhead;
    // Checks of the transfer watch since the sender was last heard from.
    int32_t silentChecks = 0;
    // The tick count at which the connection to the sender closed, while
    // nothing has come from it since; 0 otherwise.
    int64_t senderLostAt = 0;

    // Where the bytes go until the download completes: "name.ext.part".
    std::string partialPath() const;
    // This download's file on disk: its own name once Complete, its partial before.
    std::string fileOnDisk() const { return Status == DL_Complete ? localPath : partialPath(); }
    // Closes the local file when it is open. A partial that holds no byte
    // is removed, so a download that never received leaves nothing behind.
    void closeFile();

    // The bytes of the file present so far, by the progress counter.
    int64_t bytesPresent() const { return pushedFile ? lngProgress : lngProgress + 1; }

    // Asks the user, then cancels and lets a waiting download start; whether
    // it was cancelled.
    bool Cancel();
    // Cancels without asking: closes the local file (the partial file
    // stays), tells the sender while downloading (once a request is under
    // way), state Cancelled.
    void cancelOp();
    // Opens the local file, or its folder, with the desktop.
    void openFile();
    void openFolder();
    // Bytes per second over the last 1.5 × Timeout ms, or -1 while not
    // downloading (a finished download also stops its window's timer).
    int64_t fileSpeed();

  private:
    AppState& state_;
    std::deque<cChunk> samples_;
};

// The time window of the download speed: 1.5 × `timeout` ms, at least 1.
int64_t speedWindow(int64_t timeout);

}  // namespace tornel
