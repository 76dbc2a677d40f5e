#include "core/downloads/download_manager.h"

#include "core/downloads/unused_local_path.h"
#include "core/log/guarded.h"
#include "core/network/controller.h"
#include "core/network/peer_link.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "core/state/download.h"
#include "core/util/rounding.h"
#include "core/util/utilities.h"
#include "platform/files.h"
#include "platform/runtime_error.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <optional>
#include <utility>

namespace tornel {
namespace {

// Runs of bytes a download keeps beyond gaps; a sender that scatters more is refused.
constexpr size_t MaxBlocksAhead = 64;
// Names tried when the free one is taken between the look and the rename.
constexpr int MaxNameAttempts = 100;

// The record's window, or a window that shows nothing for a record without one.
DownloadWindow& windowOf(const cDownload& dl) {
    static DownloadWindow none;
    return dl.statusWindow ? *dl.statusWindow : none;
}

// Whether `dl` is still the record listed under its key (a nested wait may
// have removed or replaced it).
bool listed(const AppState& state, const std::shared_ptr<cDownload>& dl) {
    const std::shared_ptr<cDownload>* found = state.downloads.find(dl->Key);
    return found && *found == dl;
}

bool isActive(const cDownload& dl) {
    return dl.Status == DL_Starting || dl.Status == DL_Downloading;
}

int64_t activeCount(const AppState& state) {
    return std::count_if(state.downloads.begin(), state.downloads.end(),
                         [](const auto& entry) { return isActive(*entry.item); });
}

bool alreadyListed(const AppState& state, const std::string& remotePath,
                   const std::string& nodeID) {
    return std::any_of(state.downloads.begin(), state.downloads.end(), [&](const auto& entry) {
        return entry.item->remotePath == remotePath && entry.item->nodeID == nodeID;
    });
}

std::shared_ptr<qel::cXRange> wholeFile(AppState& state) {
    return session(state).makeRange(-1, -1, -1);
}

// Ends a download that could not start or go on: Cancelled, its place free.
void endFailed(AppState& state, const std::shared_ptr<cDownload>& dl) {
    dl->cancelOp();
    checkPending(state);
}

// Ends a download whose file failed it: Cancelled (the sender told) with the
// reason logged under `source` and shown in its row and window, its place free.
void endWithReason(AppState& state, const std::shared_ptr<cDownload>& dl, std::string_view source,
                   const std::string& reason, int64_t number) {
    state.logError(getFileName(dl->localPath) + ": " + reason, number, std::string(source));
    dl->cancelOp();
    dl->extendedStatus = reason;
    DownloadWindow& window = windowOf(*dl);
    window.setProgressText(reason);
    window.setCaption("Cancelled - " + getFileName(dl->localPath));
    window.setRefreshTimer(false);
    checkPending(state);
}

// What a failed step reports: the reason for the download's row and the
// error number for the log (-1 when it has none).
struct StepFailure {
    std::string reason;
    int64_t number = -1;
};

StepFailure failureOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const platform::RuntimeError& error) {
        return {error.description(), error.number()};
    } catch (const std::exception& error) {
        return {error.what(), -1};
    } catch (...) {
        return {platform::errorText(platform::rt::DeviceIOError), -1};
    }
}

// Runs a step of the download that touches its file or its request; a
// failure ends the download with its reason (endWithReason). Whether the
// step succeeded.
template <class Step>
bool fileStep(AppState& state, const std::shared_ptr<cDownload>& dl, std::string_view source,
              Step&& step) {
    std::exception_ptr failure;
    try {
        std::forward<Step>(step)();
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        const StepFailure what = failureOf(failure);
        endWithReason(state, dl, source, what.reason, what.number);
    }
    return !failure;
}

// The shown percentage in tenths: the bytes present of the whole (an empty
// file is whole).
int64_t thousandths(const cDownload& dl) {
    return dl.lngSize > 0 ? roundedRatio(dl.bytesPresent(), dl.lngSize, 1000) : 1000;
}

std::string tenthsText(int64_t tenths) {
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) {
        text += "." + std::to_string(tenths % 10);
    }
    return text;
}

void writeProgress(const cDownload& dl) {
    DownloadWindow& window = windowOf(dl);
    const int64_t shown = thousandths(dl);
    window.setProgressText(tenthsText(shown) + "% of " + getSize(dl.lngSize, 1, 1024));
    window.setProgressValue(static_cast<int>(shown));
    const int64_t percent = dl.lngSize > 0 ? roundedRatio(dl.bytesPresent(), dl.lngSize, 100) : 100;
    window.setCaption(std::to_string(percent) + "% - " + getFileName(dl.localPath));
}

// Fits a resumed range to the partial file on disk: a shorter file resumes
// from its end (a missing one asks for the whole file again), a longer one
// is cut back to the resume point. Whether there is still something to ask for.
bool fitResumeToDisk(AppState& state, cDownload& dl) {
    const int64_t present = std::max<int64_t>(0, platform::fileSize(dl.partialPath()));
    qel::cXRange& range = *dl.Range;
    if (present == 0) {
        dl.Range = wholeFile(state);
        dl.lngProgress = -1;
        return true;
    }
    if (present < range.lngStart) {
        range.lngStart = present;
    } else if (present > range.lngStart) {
        platform::throwIfErrno(platform::resizeFile(dl.partialPath(), range.lngStart));
    }
    dl.lngProgress = range.lngStart - 1;
    return range.lngStart < dl.lngSize;
}

// A download that starts from its first byte never takes the place of a
// file that appeared since it was set up (unless the user chose that
// place): it takes the next free name beside it.
void takeFreeName(AppState& state, cDownload& dl) {
    if (dl.mayReplaceLocalFile || !platform::fileStatus(dl.localPath)) {
        return;
    }
    dl.localPath = unusedLocalPath(state, dl.localPath, &dl,
                                   dl.pushedFile ? LeftPartial::Avoid : LeftPartial::Continue);
    windowOf(dl).setFileName(getFileName(dl.localPath));
}

// A partial left under the download's name by an earlier download is
// continued when the remote file is at least that long; else it is emptied
// and the file comes whole (as a pushed file always does). Whether bytes
// remain to be asked for.
bool continueLeftPartial(AppState& state, cDownload& dl) {
    const int64_t present = platform::fileSize(dl.partialPath());
    if (present <= 0) {
        return true;
    }
    if (dl.pushedFile || present > dl.lngSize) {
        platform::throwIfErrno(platform::resizeFile(dl.partialPath(), 0));
        return true;
    }
    dl.Range = session(state).makeRange(present, dl.lngSize - 1);
    dl.lngProgress = present - 1;
    return present < dl.lngSize;
}

// Where the download's bytes start on disk: a resumed range fitted to its
// partial, or a new download's own name and any partial left there.
// Whether bytes remain to be asked for.
bool placeOnDisk(AppState& state, cDownload& dl) {
    if (dl.Range && dl.Range->lngStart >= 1) {
        return fitResumeToDisk(state, dl);
    }
    takeFreeName(state, dl);
    return continueLeftPartial(state, dl);
}

// Gives the completed file its name: `localPath` when free (or when the
// user chose to replace what is there), else the next free "name (2).ext"
// beside it. A partial that is gone (its folder removed) fails.
void takeFinalName(AppState& state, cDownload& dl) {
    const std::string written = dl.fileIO ? dl.fileIO->path() : dl.partialPath();
    if (dl.fileIO && dl.fileIO->fileOpen() && !dl.fileIO->stillAtPath()) {
        throw fileGoneError(written);
    }
    const bool opened = dl.fileIO != nullptr;
    dl.fileIO.reset();
    if (written == dl.localPath || (!opened && !platform::fileStatus(written))) {
        return;  // written under its name already, or nothing written at all
    }
    std::string target = dl.localPath;
    for (int attempt = 0;; ++attempt) {
        if (!dl.mayReplaceLocalFile) {
            target = unusedLocalPath(state, dl.localPath, &dl, LeftPartial::Continue);
        }
        const int error = platform::moveFile(written, target, dl.mayReplaceLocalFile);
        if (error == ENOENT) {
            throw fileGoneError(written);
        }
        if (error != EEXIST || attempt >= MaxNameAttempts) {
            platform::throwIfErrno(error);
            break;
        }
    }
    if (target != dl.localPath) {
        dl.localPath = target;
        windowOf(dl).setFileName(getFileName(target));
    }
}

// Every byte is on disk already: the download ends Complete without asking.
void completeFromDisk(AppState& state, const std::shared_ptr<cDownload>& dl) {
    takeFinalName(state, *dl);
    dl->Status = DL_Complete;
    dl->extendedStatus.clear();
    downloadComplete(dl);
    writeProgress(*dl);
    checkPending(state);
}

// Where a block of `length` bytes lies, or why it is refused.
struct BlockPlace {
    int64_t start = 0;
    std::string refusal;  // empty when the block fits
};

// A block lies at its range's start when it has one (-1 gives none), else
// where the last ended; it must lie inside the file's announced bytes.
BlockPlace placeBlock(const cDownload& dl, int64_t length, const qel::cXRange* range) {
    const int64_t start =
        range && range->lngStart >= 0 ? range->lngStart : dl.fileIO->filePos() - 1;
    if (start < 0 || start > dl.lngSize || length > dl.lngSize - start) {
        return {start, "A block of " + std::to_string(length) + " bytes at byte " +
                           std::to_string(start) + " lies outside the " +
                           std::to_string(dl.lngSize) + " bytes of " + getFileName(dl.localPath)};
    }
    return {start, {}};
}

void writeBlock(cDownload& dl, const std::string& data, int64_t start) {
    dl.fileIO->setFilePos(start + 1);
    dl.fileIO->writeChunk(data);
}

// Ends a download whose sender sent what cannot be part of the file.
void refuseBlocks(AppState& state, const std::shared_ptr<cDownload>& dl, const std::string& why) {
    state.logError(why, -1, "incomingDownload");
    endFailed(state, dl);
}

// Takes one block of data: the bytes present after it, or none when the
// download had to end.
std::optional<int64_t> takeBlock(AppState& state, const std::shared_ptr<cDownload>& dl,
                                 const std::string& data, const qel::cXRange* range) {
    const int64_t present = dl->bytesPresent();
    if (data.empty()) {
        return present;
    }
    if (!dl->fileIO || !dl->fileIO->fileOpen()) {
        refuseBlocks(state, dl, "No file is open for " + getFileName(dl->localPath));
        return std::nullopt;
    }
    const auto length = static_cast<int64_t>(data.size());
    const BlockPlace place = placeBlock(*dl, length, range);
    if (!place.refusal.empty()) {
        refuseBlocks(state, dl, place.refusal);
        return std::nullopt;
    }
    if (!fileStep(state, dl, "incomingDownload", [&] { writeBlock(*dl, data, place.start); })) {
        return std::nullopt;
    }
    const size_t runsBefore = dl->blocksAhead.count();
    const int64_t after = dl->blocksAhead.add(present, place.start, length);
    if (dl->blocksAhead.count() > runsBefore) {
        state.logError("A block of " + getFileName(dl->localPath) + " starts at byte " +
                           std::to_string(place.start) + " where byte " + std::to_string(present) +
                           " was expected",
                       -1, "incomingDownload");
    }
    if (dl->blocksAhead.count() > MaxBlocksAhead) {
        refuseBlocks(state, dl,
                     "Too many blocks of " + getFileName(dl->localPath) + " arrived out of order");
        return std::nullopt;
    }
    return after;
}

// The sender's last block: Complete only with every byte present.
void finishDownload(AppState& state, const std::shared_ptr<cDownload>& dl, int64_t growth) {
    if (dl->bytesPresent() + growth < dl->lngSize) {
        updateProgress(state, dl, growth);
        state.logError(getFileName(dl->localPath) + " ended with " +
                           std::to_string(dl->bytesPresent()) + " of its " +
                           std::to_string(dl->lngSize) + " bytes",
                       -1, "incomingDownload");
        dl->cancelOp();
        dl->extendedStatus = "Incomplete";
        return;
    }
    if (!fileStep(state, dl, "incomingDownload", [&] { takeFinalName(state, *dl); })) {
        return;
    }
    dl->Status = DL_Complete;
    downloadComplete(dl);
    updateProgress(state, dl, growth);
}

// One block of data from the download's own sender.
void receiveBlock(AppState& state, const std::shared_ptr<cDownload>& dl, const std::string& data,
                  const qel::cXRange* range, bool last) {
    if (dl->extendedStatus == "Asking Permission") {
        dl->extendedStatus.clear();
    }
    if (dl->Status == DL_Cancelled || dl->Status == DL_Complete) {
        return;
    }
    const int64_t before = dl->bytesPresent();
    const std::optional<int64_t> after = takeBlock(state, dl, data, range);
    if (!after) {
        return;
    }
    if (last) {
        finishDownload(state, dl, *after - before);
        checkPending(state);
        return;
    }
    updateProgress(state, dl, *after - before);
}

// The sender refused or stopped the transfer.
void cancelledBySender(AppState& state, const std::shared_ptr<cDownload>& dl) {
    if (dl->Status != DL_Cancelled) {
        dl->Status = DL_Cancelled;
        dl->extendedStatus = "Cancelled by sender";
    }
    dl->closeFile();
    dl->fileIO.reset();
    windowOf(*dl).setShowPrompt(false);
    windowOf(*dl).unload();
    checkPending(state);
}

// A new record for the file, or null (the user told) when the same file of
// the same node is listed already. A resumed download keeps writing its own
// file; a new one never takes the place of a file already there.
std::shared_ptr<cDownload> newDownload(AppState& state, const std::string& remotePath,
                                       const std::string& localPath, const std::string& nodeID,
                                       bool resumed) {
    if (alreadyListed(state, remotePath, nodeID)) {
        state.ui.prompts->messageBox(
            "You are already downloading \"" + getFileName(remotePath) + "\".", PromptButtons::Ok,
            PromptIcon::Information, "Duplicate Download");
        return nullptr;
    }
    auto dl = std::make_shared<cDownload>(state);
    dl->Key = GUID();
    dl->remotePath = remotePath;
    dl->nodeID = nodeID;
    dl->localPath =
        resumed ? localPath : unusedLocalPath(state, localPath, nullptr, LeftPartial::Continue);
    return dl;
}

// Sets `dl` up (asking for the bytes of `Range` when one is given) and
// starts it while a place is free; else it waits, or ends "Busy" or "Empty File".
void setUpAndStart(AppState& state, const std::shared_ptr<cDownload>& dl,
                   std::shared_ptr<qel::cXRange> Range, bool restart) {
    if (!Range) {
        if (!dl->Range) {
            dl->Range = wholeFile(state);
            dl->lngProgress = -1;
        }
    } else {
        dl->Range = std::move(Range);
        dl->lngProgress = dl->Range->lngStart - 1;
        dl->extendedStatus = "Resuming";
    }
    const int64_t active = activeCount(state);
    initDownload(state, dl, restart, true);
    if (active >= std::max<int64_t>(1, state.MaxDL)) {
        windowOf(*dl).setProgressText("Pending");
        windowOf(*dl).setCaption("Pending - " + getFileName(dl->remotePath));
        return;
    }
    dl->Status = DL_Starting;
    std::string path = dl->remotePath;
    const qel::typFileInfo info = session(state).getFileInfo(path, dl->nodeID, true);
    if (!listed(state, dl) || dl->Status != DL_Starting) {
        return;  // stopped or removed while the node was asked
    }
    if (info.lngSize > 0) {
        dl->lngSize = info.lngSize;
        startDownload(state, dl, true);
        return;
    }
    dl->cancelOp();
    dl->extendedStatus = info.lngSize == 0 ? "Empty File" : "Busy";
    checkPending(state);
}

}  // namespace

void downloadFile(AppState& state, const std::string& remotePath, const std::string& localPath,
                  const std::string& nodeID, std::shared_ptr<cDownload> dl,
                  std::shared_ptr<qel::cXRange> Range) {
    guarded(state.log, "downloadFile", [&] {
        const bool restart = dl != nullptr;
        if (!dl) {
            dl = newDownload(state, remotePath, localPath, nodeID, false);
            if (!dl) {
                return;
            }
        }
        setUpAndStart(state, dl, std::move(Range), restart);
    });
}

void initDownload(AppState& state, const std::shared_ptr<cDownload>& dl, bool restart,
                  bool addToList) {
    guarded(state.log, "initDownload", [&] {
        dl->Status = DL_Pending;
        const std::string name = getFileName(dl->localPath);
        if (!dl->statusWindow) {
            dl->statusWindow = state.ui.shell->newDownloadWindow(dl);
        }
        DownloadWindow& window = windowOf(*dl);
        window.setSpeedText("");
        window.setProgressText("Retrieving Metadata");
        window.setFileName(name);
        window.setCaption("Connecting - " + name);
        if (restart) {
            return;
        }
        if (state.ShowDLWindow) {
            window.showStatus(false);
        }
        if (state.ShowTransWindow) {
            state.ui.shell->showTransfers();
        }
        if (addToList) {
            state.downloads.add(dl, dl->Key);
        }
    });
}

void startDownload(AppState& state, const std::shared_ptr<cDownload>& dl, bool sendRequest) {
    fileStep(state, dl, "startDownload", [&] {
        windowOf(*dl).setProgressText("Asking Permission");
        dl->extendedStatus = "Asking Permission";
        dl->Status = DL_Downloading;
        if (state.controller) {
            state.controller->watchTransfers();
        }
        if (!placeOnDisk(state, *dl)) {
            completeFromDisk(state, dl);
            return;
        }
        dl->fileIO = std::make_unique<clsFileIO2>();
        dl->fileIO->openFile(dl->partialPath());
        if (dl->Range && dl->Range->lngStart >= 1) {
            dl->fileIO->setFilePos(dl->Range->lngStart + 1);
        }
        if (sendRequest) {
            dl->reqID =
                session(state).requestFile(dl->remotePath, dl->nodeID, dl->Range, state.NodeGUID);
            if (dl->reqID.empty()) {
                throw platform::RuntimeError(platform::rt::DeviceIOError,
                                             "The file request could not be sent");
            }
        }
    });
}

void incomingDownload(AppState& state, const std::string& reqID, const std::string& strData,
                      const std::shared_ptr<qel::cXRange>& Range, qel::enmFileStatus fileStatus,
                      const std::optional<std::string>& source) {
    guarded(state.log, "incomingDownload", [&] {
        const std::shared_ptr<cDownload> dl = findDownload(state, reqID);
        if (!dl) {
            return;
        }
        if (!source) {
            // The node itself found that the sender cannot be reached.
            if (fileStatus == qel::FS_Canceled) {
                stopUnreachable(
                    state, dl, "incomingDownload",
                    "The sender of " + getFileName(dl->localPath) + " cannot be reached");
            }
            return;
        }
        if (*source != dl->nodeID) {
            return;  // only the node the file comes from speaks for it
        }
        dl->silentChecks = 0;
        dl->senderLostAt = 0;
        if (fileStatus == qel::FS_Canceled) {
            cancelledBySender(state, dl);
            return;
        }
        receiveBlock(state, dl, strData, Range.get(), fileStatus == qel::FS_Complete);
    });
}

void stopUnreachable(AppState& state, const std::shared_ptr<cDownload>& dl, std::string_view source,
                     const std::string& why) {
    guarded(state.log, source, [&] {
        if (dl->Status != DL_Downloading) {
            return;
        }
        state.log.logError(why, -1, source);
        dl->cancelOp();
        checkPending(state);
    });
}

void updateProgress(AppState& state, const std::shared_ptr<cDownload>& dl, int64_t length) {
    guarded(state.log, "updateProgress", [&] {
        const bool first = !dl->receiving;
        dl->receiving = true;
        dl->lngProgress += length;
        writeProgress(*dl);
        dl->extendedStatus.clear();
        dl->lngThisChunk += length;
        if (first) {
            windowOf(*dl).showSpeed();
            windowOf(*dl).setRefreshTimer(true);
        }
    });
}

void downloadComplete(const std::shared_ptr<cDownload>& dl) {
    skipFailure([&] {
        DownloadWindow& window = windowOf(*dl);
        window.setFileButtonsEnabled(true);
        window.setCancelCaption("&Close");
        window.setCaption("Complete - " + getFileName(dl->localPath));
        window.setTitle("Download Complete");
        window.setSubtitle("The file has been transferred");
        window.setSpeedText("");
    });
}

void checkPending(AppState& state) {
    guarded(state.log, "checkPending", [&] {
        for (const std::shared_ptr<cDownload>& dl : state.downloads.snapshot()) {
            if (listed(state, dl) && dl->Status == DL_Pending) {
                downloadFile(state, "", "", "", dl, nullptr);
            }
        }
    });
}

void resumeDownload(AppState& state, const std::shared_ptr<cDownload>& dl) {
    guarded(state.log, "resumeDownload", [&] {
        if (dl->pushedFile) {
            std::string who = getUserName(state, dl->nodeID);
            if (who.empty()) {
                who = "the other user";
            }
            state.ui.prompts->messageBox(
                getFileName(dl->remotePath) + " cannot be resumed as it was sent specifically by " +
                    who + ".\rThe file must be re-sent by the other party.",
                PromptButtons::Ok, PromptIcon::Exclamation, "Resume file");
            return;
        }
        dl->closeFile();
        dl->fileIO.reset();
        if (listed(state, dl)) {
            state.downloads.remove(dl->Key);
        }
        std::shared_ptr<qel::cXRange> range;
        if (dl->lngProgress > 0) {
            range = session(state).makeRange(dl->lngProgress + 1, dl->lngSize - 1);
        }
        const std::shared_ptr<cDownload> again =
            newDownload(state, dl->remotePath, dl->localPath, dl->nodeID, true);
        if (again) {
            guarded(state.log, "downloadFile", [&] { setUpAndStart(state, again, range, false); });
        }
    });
}

std::shared_ptr<cDownload> findDownload(const AppState& state, const std::string& reqID) {
    if (reqID.empty()) {
        return nullptr;
    }
    for (const auto& entry : state.downloads) {
        if (entry.item->reqID == reqID) {
            return entry.item;
        }
    }
    return nullptr;
}

}  // namespace tornel
