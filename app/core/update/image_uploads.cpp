#include "core/update/image_uploads.h"

#include "core/log/guarded.h"
#include "core/network/session.h"
#include "core/state/app_state.h"
#include "platform/event_loop.h"
#include "qellib/qel.h"
#include "qellib/x_file.h"

#include <algorithm>

namespace tornel {
namespace {

constexpr std::string_view CallSource = "Update_RemoteProcCall";

bool ended(const qel::cXFile& record) {
    return record.Status == qel::FS_Complete || record.Status == qel::FS_Canceled;
}

}  // namespace

ImageUploads::ImageUploads(AppState& state) : state_(state) {
    watch_.setHandler([this] { guarded(state_.log, CallSource, [this] { watch(); }); });
}

std::optional<std::string> ImageUploads::start(const std::string& programFile,
                                               const std::string& nodeID,
                                               const std::string& reqID) {
    if (auto refused = refusal(nodeID, reqID)) {
        return refused;
    }
    auto push = std::make_shared<qel::cXFile>();
    push->fullPath = programFile;
    session(state_).sendFile(nodeID, reqID, {}, qel::FS_Transferring, {}, nullptr, push);
    std::shared_ptr<qel::cXFile> record = uploadRecord(nodeID, reqID);
    if (!record) {
        return "The program file " + programFile + " could not be sent to " + nodeID;
    }
    const int64_t progress = record->lngProgress;
    uploads_.push_back({nodeID, reqID, std::move(record), progress, platform::tickCount()});
    if (!watch_.enabled()) {
        watch_.setInterval(std::max<int64_t>(state_.Timeout, 1));
        watch_.setEnabled(true);
    }
    return std::nullopt;
}

size_t ImageUploads::running() {
    forgetFinished();
    return uploads_.size();
}

std::optional<std::string> ImageUploads::refusal(const std::string& nodeID,
                                                 const std::string& reqID) {
    forgetFinished();
    const bool sendingToPeer = std::any_of(uploads_.begin(), uploads_.end(),
                                           [&](const Upload& u) { return u.nodeID == nodeID; });
    if (sendingToPeer) {
        return "The program file is not sent to " + nodeID + " twice at once";
    }
    if (uploads_.size() >= MaxImageUploads) {
        return "The program file is not sent to " + nodeID + ": it is being sent to " +
               std::to_string(uploads_.size()) + " nodes already";
    }
    // Another transfer's request ID would make the push take that transfer over.
    for (const std::shared_ptr<qel::cXFile>& record : session(state_).getUploads()) {
        if (record && record->reqID == reqID) {
            return "The program file is not sent to " + nodeID + ": the request ID " + reqID +
                   " is in use";
        }
    }
    return std::nullopt;
}

std::shared_ptr<qel::cXFile> ImageUploads::uploadRecord(const std::string& nodeID,
                                                        const std::string& reqID) const {
    for (const std::shared_ptr<qel::cXFile>& record : session(state_).getUploads()) {
        if (record && record->reqID == reqID && record->nodeID == nodeID) {
            return record;
        }
    }
    return nullptr;
}

int64_t ImageUploads::stallLimit() const {
    return ImageUploadStallTimeouts * std::max<int64_t>(state_.Timeout, 1);
}

void ImageUploads::watch() {
    if (!state_.qelSession) {
        uploads_.clear();  // the node is gone, and its uploads with it
    }
    forgetFinished();
    const int64_t now = platform::tickCount();
    std::vector<Upload> stalled;
    for (Upload& upload : uploads_) {
        if (upload.record->lngProgress != upload.progress) {
            upload.progress = upload.record->lngProgress;
            upload.movedAt = now;
        } else if (now - upload.movedAt >= stallLimit()) {
            stalled.push_back(upload);
        }
    }
    std::erase_if(uploads_, [&](const Upload& upload) {
        return std::any_of(stalled.begin(), stalled.end(),
                           [&](const Upload& s) { return s.record == upload.record; });
    });
    // Cancelling calls into the library, which may let events run: the
    // stalled uploads are out of the list first.
    for (const Upload& upload : stalled) {
        cancel(upload);
    }
    if (uploads_.empty()) {
        watch_.setEnabled(false);
    }
}

void ImageUploads::forgetFinished() {
    std::erase_if(uploads_, [](const Upload& upload) {
        const qel::cXFile& record = *upload.record;
        // A record the library gave to another transfer is no longer ours.
        return ended(record) || record.reqID != upload.reqID || record.nodeID != upload.nodeID;
    });
}

void ImageUploads::cancel(const Upload& upload) {
    state_.logError("The program file sent to " + upload.nodeID + " made no progress for " +
                        std::to_string(stallLimit()) + " ms and was cancelled",
                    -1, std::string(CallSource));
    session(state_).sendFile(upload.nodeID, upload.reqID, {}, qel::FS_Canceled);
}

}  // namespace tornel
