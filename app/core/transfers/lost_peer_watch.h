#pragma once

#include "platform/timer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qel {
class cXFile;
}

namespace tornel {

struct AppState;

// Ends the transfers whose other node has gone, so none stays "running" for
// ever: a download whose sender stays silent for a few Timeouts, or whose
// connection to the sender closed with nothing more from it within half the
// Timeout, stops as the user's Stop would leave it (resumable); an upload to
// a node whose connection closed, and that moves no further within half the
// Timeout, is cancelled. Checks run on a timer of a quarter of the Timeout,
// and only while a download runs or a lost upload is watched.
class LostPeerWatch {
  public:
    explicit LostPeerWatch(AppState& state);
    ~LostPeerWatch();
    LostPeerWatch(const LostPeerWatch&) = delete;
    LostPeerWatch& operator=(const LostPeerWatch&) = delete;

    // A connection to `nodeID` closed.
    void connectionLost(const std::string& nodeID);
    // A download has started: the checks run until nothing is left to watch.
    void watch();
    bool watching() const { return timer_.enabled(); }
    // One round of checks (the timer's).
    void check();

  private:
    struct LostUpload {
        std::weak_ptr<qel::cXFile> upload;
        int64_t progress = 0;
        int64_t lostAt = 0;
    };

    void checkDownloads(int64_t now);
    void checkUploads(int64_t now);
    int64_t grace() const;
    bool watchedAsLost(const qel::cXFile& upload) const;
    bool somethingToWatch() const;

    AppState& state_;
    std::vector<LostUpload> lostUploads_;
    platform::Timer timer_;
};

// The milliseconds between two checks for a Timeout, and the checks in a
// row without a block after which a download counts as silent.
int64_t transferCheckInterval(int64_t timeout);
int32_t silentChecksLimit(int64_t timeout);

}  // namespace tornel
