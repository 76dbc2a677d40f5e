#pragma once

#include "qellib/types.h"
#include "qellib/x_range.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tornel {

struct AppState;
class cDownload;

// Sets up a download, or starts the existing record `dl` (taken from the
// queue): refuses the same remote file from the same node twice, asks the
// node for the file's size while a place is free (MaxDL), then starts it,
// or leaves it Pending, or ends it "Busy" (no such file, no answer) or
// "Empty File". A `Range` asks for those bytes only ("Resuming").
void downloadFile(AppState& state, const std::string& remotePath, const std::string& localPath,
                  const std::string& nodeID, std::shared_ptr<cDownload> dl = nullptr,
                  std::shared_ptr<qel::cXRange> Range = nullptr);
// Sets the record Pending with its status window; a new one (not `restart`)
// shows the windows the settings ask for and, with `addToList`, joins
// `downloads`.
void initDownload(AppState& state, const std::shared_ptr<cDownload>& dl, bool restart,
                  bool addToList);
// Prepares and opens the local file (fresh, or kept and continued when
// resuming) and, with `sendRequest`, asks the node for the file.
void startDownload(AppState& state, const std::shared_ptr<cDownload>& dl, bool sendRequest);
// One received block of the request `reqID` from the node `source`: only
// the download's own sender is heard. A block is written at its range's
// start when it carries one and must lie inside the announced size (else
// the download is cancelled); the last one completes the download only with
// every byte present ("Incomplete" otherwise); a cancel ends it "Cancelled
// by sender". Without a source the node itself reports the sender
// unreachable: the download stops as the user's Stop would leave it.
void incomingDownload(AppState& state, const std::string& reqID, const std::string& strData,
                      const std::shared_ptr<qel::cXRange>& Range, qel::enmFileStatus fileStatus,
                      const std::optional<std::string>& source);
// A running download whose sender cannot be reached ends as the user's Stop
// leaves it: its file closed, resumable, its place given to a waiting one.
// `why` goes to the log under `source`.
void stopUnreachable(AppState& state, const std::shared_ptr<cDownload>& dl, std::string_view source,
                     const std::string& why);
// Counts `length` more bytes and writes the progress into the window.
void updateProgress(AppState& state, const std::shared_ptr<cDownload>& dl, int64_t length);
// Turns the status window into its completed form.
void downloadComplete(const std::shared_ptr<cDownload>& dl);
// Tries to start every Pending download, in order, while places are free.
void checkPending(AppState& state);
// Starts a stopped download again from its next byte, as a new record; a
// pushed file cannot be resumed (the user is told).
void resumeDownload(AppState& state, const std::shared_ptr<cDownload>& dl);
// The first record whose request ID is `reqID`, or null.
std::shared_ptr<cDownload> findDownload(const AppState& state, const std::string& reqID);

}  // namespace tornel
