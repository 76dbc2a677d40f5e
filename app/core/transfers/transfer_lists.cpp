#include "core/transfers/transfer_lists.h"

#include "core/log/guarded.h"
#include "core/network/peer_names.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "core/state/download.h"
#include "core/util/rounding.h"
#include "core/util/utilities.h"
#include "platform/event_loop.h"
#include "platform/files.h"
#include "platform/runtime_error.h"
#include "qellib/x_file.h"

#include <array>

namespace tornel {

namespace {

enum Column {
    StatusColumn = 1,
    ProgressColumn = 2,
    SizeColumn = 3,
    SpeedColumn = 4,
    PeerColumn = 5
};

std::string percent(int64_t done, int64_t size) {
    return size > 0 ? std::to_string(roundedRatio(done, size, 100)) + "%" : "-";
}

std::string downloadStatus(const cDownload& dl) {
    static constexpr std::array<const char*, 5> words = {"Pending", "Starting", "Downloading",
                                                         "Complete", "Cancelled"};
    if (!dl.extendedStatus.empty()) {
        return dl.extendedStatus;
    }
    return dl.Status >= 0 && dl.Status < int32_t(words.size()) ? words[size_t(dl.Status)] : "";
}

// Bytes that have left for the receiver: the progress counter holds the
// index of the last one, once the first block went.
int64_t bytesSent(const qel::cXFile& upload) {
    return upload.Status == qel::enmFileStatus{} ? 0 : upload.lngProgress + 1;
}

// The size of a shared file on this machine, or "" for a file the listing
// does not show (missing, not a plain file, hidden).
std::string localFileSize(const std::string& fullPath) {
    if (getFileName(fullPath).starts_with('.')) {
        return {};
    }
    const int64_t size = platform::fileSize(fullPath);
    return size < 0 ? std::string() : getSize(size, 1, 1024);
}

// The name a download is listed under: the file's own. A pushed file is
// saved under a name of the receiver's choosing ("big300 (2).bin" beside an
// earlier copy), so its local name is the one the user finds on disk.
std::string listedName(const cDownload& dl) {
    if (dl.pushedFile && !dl.localPath.empty()) {
        return getFileName(dl.localPath);
    }
    return getFileName(dl.remotePath);
}

std::string uploadKey(const qel::cXFile& upload) {
    return upload.reqID.empty() ? upload.Resource + upload.nodeID : upload.reqID;
}

}  // namespace

void TransferLists::updateTransfers(TransferList& lvDown, TransferList& lvUp,
                                    TransferListOwner& window) {
    guarded(state_.log, "updateTransfers", [&] { updateDownloads(lvDown); });
    guarded(state_.log, "updateTransfers", [&] { updateUploads(lvUp); });
    guarded(state_.log, "updateTransfers", [&] { window.setButtons(); });
}

void TransferLists::updateDownloads(TransferList& lvDown) {
    const auto step = [this](auto&& action) { guarded(state_.log, "updateDownloads", action); };
    // A snapshot: the collection may change while a row is written.
    for (const std::shared_ptr<cDownload>& dl : state_.downloads.snapshot()) {
        if (!dl) {
            continue;
        }
        const std::string& key = dl->Key;
        step([&] {
            if (!lvDown.rowExists(key)) {
                lvDown.addRow(key, listedName(*dl), dl->remotePath, false);
            }
        });
        step([&] { setListText(lvDown, key, StatusColumn, downloadStatus(*dl)); });
        step([&] {
            setListText(lvDown, key, ProgressColumn, percent(dl->bytesPresent(), dl->lngSize));
        });
        step([&] {
            const int64_t speed = dl->fileSpeed();
            setListText(lvDown, key, SpeedColumn, speed < 0 ? "-" : getSize(speed, 1, 1000) + "/s");
        });
        step([&] {
            const bool sizeKnown = dl->Status != DL_Pending && dl->Status != DL_Starting;
            setListText(lvDown, key, SizeColumn, sizeKnown ? getSize(dl->lngSize, 1, 1024) : "-");
        });
        step([&] { setListText(lvDown, key, PeerColumn, knownUserName(state_, dl->nodeID)); });
    }
}

void TransferLists::updateUploads(TransferList& lvUp) {
    std::vector<std::shared_ptr<qel::cXFile>> uploads;
    if (!guarded(state_.log, "updateUploads", [&] {
            uploads = session(state_).getUploads();
            if (uploads.empty()) {
                // The library did not serve the call: no element 0 either.
                throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
            }
        })) {
        return;
    }
    showUploads(lvUp, uploads);
}

void TransferLists::showUploads(TransferList& lvUp,
                                const std::vector<std::shared_ptr<qel::cXFile>>& uploads) {
    const auto step = [this](auto&& action) { guarded(state_.log, "updateUploads", action); };
    for (size_t index = 1; index < uploads.size(); ++index) {
        const std::shared_ptr<qel::cXFile> upload = uploads[index];
        if (!upload) {
            continue;
        }
        const std::string key = uploadKey(*upload);
        step([&] {
            if (!lvUp.rowExists(key)) {
                lvUp.addRow(key, getFileName(upload->Resource), upload->Resource, true);
                lvUp.setTag(key, upload->reqID);
            }
        });
        step([&] {
            switch (upload->Status) {
                case qel::FS_Transferring:
                    setListText(
                        lvUp, key, StatusColumn,
                        upload->extendedStatus.empty() ? "Uploading" : upload->extendedStatus);
                    break;
                case qel::FS_Complete:
                    setListText(lvUp, key, StatusColumn, "Complete");
                    break;
                case qel::FS_Canceled:
                    setListText(lvUp, key, StatusColumn, "Cancelled");
                    break;
                default:
                    break;
            }
        });
        step([&] {
            // Only on the pass that added the row, whose progress is still empty.
            if (lvUp.cellText(key, ProgressColumn).empty()) {
                setListText(lvUp, key, SizeColumn, localFileSize(upload->fullPath));
            }
        });
        step([&] {
            setListText(lvUp, key, ProgressColumn, percent(bytesSent(*upload), upload->lngSize));
        });
        step([&] { setListText(lvUp, key, PeerColumn, knownUserName(state_, upload->nodeID)); });
        step([&] {
            if (upload->Status != qel::FS_Transferring) {
                setListText(lvUp, key, SpeedColumn, "-");
                return;
            }
            std::deque<cChunk>& samples = uploadSamples_[upload->reqID];
            const auto last = uploadLastProgress_.find(upload->reqID);
            const int64_t speed = last == uploadLastProgress_.end()
                                      ? 0
                                      : uploadSpeed(upload->lngProgress - last->second,
                                                    upload->Status, samples, state_.Timeout);
            setListText(lvUp, key, SpeedColumn, getSize(speed, 1, 1024) + "/s");
            uploadLastProgress_[upload->reqID] = upload->lngProgress;
        });
    }
}

int64_t uploadSpeed(int64_t bytes, int32_t status, std::deque<cChunk>& samples, int64_t timeout) {
    const int64_t window = speedWindow(timeout);
    if (status != qel::FS_Transferring) {
        return -1;
    }
    samples.push_back({bytes, platform::tickCount()});
    const int64_t now = platform::tickCount();
    // Samples are kept in time order: the old ones lead.
    while (!samples.empty() && now - samples.front().lngTime > window) {
        samples.pop_front();
    }
    int64_t sum = 0;
    for (const cChunk& sample : samples) {
        sum += sample.lngBytes;
    }
    return roundedRatio(sum, window, 1000);
}

void setListText(TransferList& list, const std::string& key, int column, const std::string& text) {
    skipFailure([&] {
        if (list.cellText(key, column) != text) {
            list.setCellText(key, column, text);
        }
    });
}

void removeDownload(AppState& state, const cDownload& dl, TransferList* list) {
    const std::string key = dl.Key;  // the record may go with its entry
    skipFailure([&] {
        if (state.downloads.exists(key)) {
            state.downloads.remove(key);
        }
    });
    skipFailure([&] {
        if (list && list->rowExists(key)) {
            list->removeRow(key);
        }
    });
}

}  // namespace tornel
