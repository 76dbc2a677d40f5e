#include "core/downloads/download_manager.h"

#include "core/log/guarded.h"
#include "core/network/peer_link.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "core/state/download.h"
#include "core/util/rounding.h"
#include "core/util/utilities.h"
#include "platform/files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tornel {
namespace {

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

// `path`, or "name (2).ext", "name (3).ext" … when a download that has not
// ended would write the same local file.
std::string unclaimedLocalPath(const AppState& state, const std::string& path) {
    const auto claimed = [&](const std::string& candidate) {
        return std::any_of(state.downloads.begin(), state.downloads.end(), [&](const auto& e) {
            return e.item->Status <= DL_Downloading && e.item->localPath == candidate;
        });
    };
    const std::filesystem::path original(path);
    std::string candidate = path;
    for (int n = 2; claimed(candidate); ++n) {
        candidate = (original.parent_path() / (original.stem().string() + " (" + std::to_string(n) +
                                               ")" + original.extension().string()))
                        .string();
    }
    return candidate;
}

std::shared_ptr<qel::cXRange> wholeFile(AppState& state) {
    return session(state).makeRange(-1, -1, -1);
}

// Ends a download that could not start or go on: Cancelled, its place free.
void endFailed(AppState& state, const std::shared_ptr<cDownload>& dl) {
    dl->cancelOp();
    checkPending(state);
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
    const int64_t present = std::max<int64_t>(0, platform::fileSize(dl.localPath));
    qel::cXRange& range = *dl.Range;
    if (present == 0) {
        dl.Range = wholeFile(state);
        dl.lngProgress = -1;
        return true;
    }
    if (present < range.lngStart) {
        range.lngStart = present;
    } else if (present > range.lngStart) {
        std::filesystem::resize_file(dl.localPath, static_cast<uintmax_t>(range.lngStart));
    }
    dl.lngProgress = range.lngStart - 1;
    return range.lngStart < dl.lngSize;
}

void removeOldFile(const std::string& path) {
    const std::optional<platform::FileStatus> status = platform::fileStatus(path);
    if (status && (status->kind == platform::EntryKind::File || status->isLink)) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
}

// Every byte is on disk already: the download ends Complete without asking.
void completeFromDisk(AppState& state, const std::shared_ptr<cDownload>& dl) {
    dl->fileIO.reset();
    dl->Status = DL_Complete;
    dl->extendedStatus.clear();
    downloadComplete(dl);
    writeProgress(*dl);
    checkPending(state);
}

// Writes one block at its range's start when it has one, else where the last ended.
void writeBlock(AppState& state, cDownload& dl, const std::string& data,
                const qel::cXRange* range) {
    clsFileIO2& file = *dl.fileIO;
    if (range && range->lngStart >= 0) {
        const int64_t expected = file.filePos() - 1;
        if (range->lngStart > expected) {
            state.logError("A block of " + getFileName(dl.localPath) + " starts at byte " +
                               std::to_string(range->lngStart) + " where byte " +
                               std::to_string(expected) + " was expected",
                           -1, "incomingDownload");
        }
        file.setFilePos(range->lngStart + 1);
    }
    file.writeChunk(data);
}

}  // namespace

void downloadFile(AppState& state, const std::string& remotePath, const std::string& localPath,
                  const std::string& nodeID, std::shared_ptr<cDownload> dl,
                  std::shared_ptr<qel::cXRange> Range) {
    guarded(state.log, "downloadFile", [&] {
        const bool restart = dl != nullptr;
        if (!dl) {
            if (alreadyListed(state, remotePath, nodeID)) {
                state.ui.prompts->messageBox(
                    "You are already downloading \"" + getFileName(remotePath) + "\".",
                    PromptButtons::Ok, PromptIcon::Information, "Duplicate Download");
                return;
            }
            dl = std::make_shared<cDownload>(state);
            dl->Key = GUID();
            dl->remotePath = remotePath;
            dl->nodeID = nodeID;
            dl->localPath = unclaimedLocalPath(state, localPath);
        }
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
    const bool started = guarded(state.log, "startDownload", [&] {
        windowOf(*dl).setProgressText("Asking Permission");
        dl->extendedStatus = "Asking Permission";
        dl->Status = DL_Downloading;
        const bool resume = dl->Range && dl->Range->lngStart >= 1;
        if (!resume) {
            removeOldFile(dl->localPath);
        } else if (!fitResumeToDisk(state, *dl)) {
            completeFromDisk(state, dl);
            return;
        }
        dl->fileIO = std::make_unique<clsFileIO2>();
        dl->fileIO->openFile(dl->localPath);
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
    if (!started) {
        endFailed(state, dl);
    }
}

void incomingDownload(AppState& state, const std::string& reqID, const std::string& strData,
                      const std::shared_ptr<qel::cXRange>& Range, qel::enmFileStatus fileStatus) {
    guarded(state.log, "incomingDownload", [&] {
        const std::shared_ptr<cDownload> dl = findDownload(state, reqID);
        if (!dl) {
            return;
        }
        bool freed = false;
        if (fileStatus != qel::FS_Canceled) {
            if (dl->extendedStatus == "Asking Permission") {
                dl->extendedStatus.clear();
            }
            if (dl->Status == DL_Cancelled || dl->Status == DL_Complete) {
                return;
            }
            if (dl->fileIO && dl->fileIO->fileOpen()) {
                const bool written = guarded(state.log, "incomingDownload",
                                             [&] { writeBlock(state, *dl, strData, Range.get()); });
                if (!written) {
                    endFailed(state, dl);
                    return;
                }
            }
            if (fileStatus == qel::FS_Complete) {
                dl->fileIO.reset();
                dl->Status = DL_Complete;
                downloadComplete(dl);
                freed = true;
            }
            updateProgress(state, dl, static_cast<int64_t>(strData.size()));
        } else {
            if (dl->Status != DL_Cancelled) {
                dl->Status = DL_Cancelled;
                dl->extendedStatus = "Cancelled by sender";
            }
            dl->fileIO.reset();
            freed = true;
            windowOf(*dl).setShowPrompt(false);
            windowOf(*dl).unload();
        }
        if (freed) {
            checkPending(state);
        }
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
        dl->fileIO.reset();
        if (listed(state, dl)) {
            state.downloads.remove(dl->Key);
        }
        std::shared_ptr<qel::cXRange> range;
        if (dl->lngProgress > 0) {
            range = session(state).makeRange(dl->lngProgress + 1, dl->lngSize - 1);
        }
        downloadFile(state, dl->remotePath, dl->localPath, dl->nodeID, nullptr, range);
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
