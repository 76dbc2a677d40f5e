#include "core/state/download.h"

#include "core/downloads/download_manager.h"
#include "core/downloads/unused_local_path.h"
#include "core/log/guarded.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "core/util/rounding.h"
#include "core/util/utilities.h"
#include "platform/desktop.h"
#include "platform/event_loop.h"

#include <QFileInfo>

#include <unistd.h>

#include <algorithm>

namespace tornel {

int64_t speedWindow(int64_t timeout) {
    return std::max<int64_t>(1, roundedRatio(timeout, 2, 3));
}

cDownload::cDownload(AppState& state) : state_(state) {}

cDownload::~cDownload() = default;

bool cDownload::Cancel() {
    const std::shared_ptr<cDownload> keep = shared_from_this();
    return guarded(state_.log, "Cancel", false, [&] {
        const std::string question =
            "Are you sure you want to cancel \"" + getFileName(remotePath) + "\"?";
        if (state_.ui.prompts->messageBox(question, PromptButtons::YesNo, PromptIcon::Question,
                                          "Cancel") != PromptAnswer::Yes) {
            return false;
        }
        cancelOp();
        checkPending(state_);
        return true;
    });
}

std::string cDownload::partialPath() const {
    return partialPathOf(localPath);
}

void cDownload::closeFile() {
    if (!fileIO || !fileIO->fileOpen()) {
        return;
    }
    const std::string written = fileIO->path();
    const bool emptyPartial =
        written != localPath && fileIO->size() == 0 && fileIO->stillAtPath();
    fileIO->closeFile();
    if (emptyPartial) {
        ::unlink(written.c_str());
    }
}

void cDownload::cancelOp() {
    closeFile();
    if (Status == DL_Downloading && !reqID.empty()) {
        // The record ends Cancelled even when the sender cannot be told.
        guarded(state_.log, "cancelOp",
                [&] { session(state_).sendFile(nodeID, reqID, std::string(), qel::FS_Canceled); });
    }
    extendedStatus.clear();
    Status = DL_Cancelled;
}

void cDownload::openFile() {
    skipFailure([&] { platform::openWithDesktop(localPath); });
}

void cDownload::openFolder() {
    guarded(state_.log, "openFolder", [&] {
        platform::openWithDesktop(
            QFileInfo(QString::fromStdString(localPath)).absolutePath().toStdString());
    });
}

int64_t cDownload::fileSpeed() {
    return guarded(state_.log, "fileSpeed", int64_t{0}, [&]() -> int64_t {
        if (Status != DL_Downloading) {
            if ((Status == DL_Complete || Status == DL_Cancelled) && statusWindow) {
                // Whoever reads the speed first, the window must not keep the last one shown.
                statusWindow->setRefreshTimer(false);
                statusWindow->setSpeedText("");
            }
            return -1;
        }
        const int64_t window = speedWindow(state_.Timeout);
        samples_.push_back({lngThisChunk, platform::tickCount()});
        lngThisChunk = 0;
        const int64_t now = platform::tickCount();
        // Samples are in time order: the old ones lead.
        while (!samples_.empty() && now - samples_.front().lngTime > window) {
            samples_.pop_front();
        }
        int64_t sum = 0;
        for (const cChunk& sample : samples_) {
            sum += sample.lngBytes;
        }
        return roundedRatio(sum, window, 1000);
    });
}

}  // namespace tornel
