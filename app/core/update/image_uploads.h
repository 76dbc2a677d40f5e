#pragma once

#include "platform/timer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qel {
class cXFile;
}

namespace tornel {

struct AppState;

// How many program files are sent at once, to different peers.
inline constexpr size_t MaxImageUploads = 3;
// An upload of the program file whose progress stands still for this many
// times the Timeout setting is cancelled.
inline constexpr int64_t ImageUploadStallTimeouts = 3;

// The program file sent to the peers that ask for it. Each goes as the
// library's paced upload of a local file, chunk by chunk under the request ID
// of the peer's call, so that neither the file nor the packet is ever held
// whole. At most one runs per peer and MaxImageUploads in all; a further call
// is refused. An upload whose progress stands still for
// ImageUploadStallTimeouts x Timeout (a peer that stopped reading, or went
// away) is cancelled, its receiver told, and its place freed.
class ImageUploads {
  public:
    explicit ImageUploads(AppState& state);
    ImageUploads(const ImageUploads&) = delete;
    ImageUploads& operator=(const ImageUploads&) = delete;

    // Starts sending `programFile` to `nodeID` under `reqID`; why it is
    // refused, none when it started.
    std::optional<std::string> start(const std::string& programFile, const std::string& nodeID,
                                     const std::string& reqID);
    // The uploads that still run.
    size_t running();

  private:
    struct Upload {
        std::string nodeID;
        std::string reqID;
        std::shared_ptr<qel::cXFile> record;  // the library's own, which it keeps up to date
        int64_t progress = -1;
        int64_t movedAt = 0;  // when its progress last moved
    };

    std::optional<std::string> refusal(const std::string& nodeID, const std::string& reqID);
    std::shared_ptr<qel::cXFile> uploadRecord(const std::string& nodeID,
                                              const std::string& reqID) const;
    int64_t stallLimit() const;
    // Lets finished uploads go and cancels those that stand still.
    void watch();
    void forgetFinished();
    void cancel(const Upload& upload);

    AppState& state_;
    std::vector<Upload> uploads_;
    platform::Timer watch_;
};

}  // namespace tornel
