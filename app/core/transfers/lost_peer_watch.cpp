#include "core/transfers/lost_peer_watch.h"

#include "core/downloads/download_manager.h"
#include "core/log/guarded.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "core/state/download.h"
#include "core/util/utilities.h"
#include "platform/event_loop.h"
#include "qellib/x_file.h"

#include <algorithm>

namespace tornel {
namespace {

constexpr std::string_view Source = "checkTransfers";
constexpr int64_t ChecksPerTimeout = 4;
constexpr int64_t SilentTimeouts = 3;
// However short the Timeout, a sender is given this long before it counts as silent.
constexpr int64_t MinSilenceMs = 5000;

bool transferring(const qel::cXFile& upload) {
    return upload.Status == qel::enmFileStatus{} || upload.Status == qel::FS_Transferring;
}

// A download that waits for blocks: its sender has the request (a pushed
// file's, or one the owner let through); while the owner's user is still
// asked, silence is no sign of a lost sender.
bool awaitsBlocks(const cDownload& dl) {
    return dl.Status == DL_Downloading &&
           (dl.pushedFile || dl.extendedStatus != "Asking Permission");
}

}  // namespace

int64_t transferCheckInterval(int64_t timeout) {
    return std::clamp<int64_t>(timeout / ChecksPerTimeout, 10, 60000);
}

int32_t silentChecksLimit(int64_t timeout) {
    const int64_t silence = std::max(SilentTimeouts * timeout, MinSilenceMs);
    const int64_t interval = transferCheckInterval(timeout);
    return static_cast<int32_t>((silence + interval - 1) / interval);
}

LostPeerWatch::LostPeerWatch(AppState& state) : state_(state) {
    timer_.setHandler([this] { check(); });
    timer_.setInterval(transferCheckInterval(state_.Timeout));
}

void LostPeerWatch::watch() {
    if (!timer_.enabled()) {
        timer_.setInterval(transferCheckInterval(state_.Timeout));
        timer_.setEnabled(true);
    }
}

bool LostPeerWatch::somethingToWatch() const {
    if (!lostUploads_.empty()) {
        return true;
    }
    for (const std::shared_ptr<cDownload>& dl : state_.downloads.snapshot()) {
        if (dl && dl->Status == DL_Downloading) {
            return true;
        }
    }
    return false;
}

LostPeerWatch::~LostPeerWatch() = default;

int64_t LostPeerWatch::grace() const {
    return state_.Timeout / 2;
}

void LostPeerWatch::connectionLost(const std::string& nodeID) {
    guarded(state_.log, Source, [&] {
        if (nodeID.empty()) {
            return;
        }
        const int64_t now = platform::tickCount();
        for (const std::shared_ptr<cDownload>& dl : state_.downloads.snapshot()) {
            if (dl && dl->Status == DL_Downloading && dl->nodeID == nodeID &&
                dl->senderLostAt == 0) {
                dl->senderLostAt = now;
            }
        }
        const std::vector<std::shared_ptr<qel::cXFile>> uploads = session(state_).getUploads();
        for (size_t i = 1; i < uploads.size(); ++i) {
            const std::shared_ptr<qel::cXFile>& upload = uploads[i];
            if (upload && upload->nodeID == nodeID && transferring(*upload) &&
                !watchedAsLost(*upload)) {
                lostUploads_.push_back({upload, upload->lngProgress, now});
            }
        }
        if (somethingToWatch()) {
            watch();
        }
    });
}

bool LostPeerWatch::watchedAsLost(const qel::cXFile& upload) const {
    return std::any_of(lostUploads_.begin(), lostUploads_.end(), [&](const LostUpload& entry) {
        return entry.upload.lock().get() == &upload;
    });
}

void LostPeerWatch::check() {
    if (state_.closing) {
        return;
    }
    // The Timeout may have changed in the settings.
    if (const int64_t interval = transferCheckInterval(state_.Timeout);
        interval != timer_.interval()) {
        timer_.setInterval(interval);
    }
    const int64_t now = platform::tickCount();
    checkDownloads(now);
    checkUploads(now);
    if (!somethingToWatch()) {
        timer_.setEnabled(false);  // until a download starts or a connection closes under one
    }
}

void LostPeerWatch::checkDownloads(int64_t now) {
    const int32_t limit = silentChecksLimit(state_.Timeout);
    for (const std::shared_ptr<cDownload>& dl : state_.downloads.snapshot()) {
        if (!dl || !state_.downloads.exists(dl->Key)) {
            continue;  // ended by a check before
        }
        if (dl->Status != DL_Downloading) {
            dl->senderLostAt = 0;
            continue;
        }
        const std::string name = getFileName(dl->localPath);
        if (dl->senderLostAt != 0 && now - dl->senderLostAt >= grace()) {
            stopUnreachable(state_, dl, Source,
                            "The connection to the sender of " + name + " closed");
        } else if (awaitsBlocks(*dl) && ++dl->silentChecks >= limit) {
            stopUnreachable(state_, dl, Source,
                            "Nothing arrived for " + name + " for " +
                                std::to_string(limit * transferCheckInterval(state_.Timeout)) +
                                " ms");
        }
    }
}

void LostPeerWatch::checkUploads(int64_t now) {
    std::vector<LostUpload> lost;
    lost.swap(lostUploads_);
    for (LostUpload& entry : lost) {
        const std::shared_ptr<qel::cXFile> upload = entry.upload.lock();
        if (!upload || !transferring(*upload) || upload->lngProgress != entry.progress) {
            continue;  // ended, or it moves on by another way
        }
        if (now - entry.lostAt < grace()) {
            lostUploads_.push_back(std::move(entry));
            continue;
        }
        guarded(state_.log, Source, [&] {
            state_.log.logError(
                "The connection to the receiver of " + getFileName(upload->Resource) + " closed",
                -1, Source);
            session(state_).sendFile(upload->nodeID, upload->reqID, std::string(),
                                     qel::FS_Canceled);
        });
    }
}

}  // namespace tornel
