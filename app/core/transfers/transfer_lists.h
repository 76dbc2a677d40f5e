#pragma once

#include "core/interfaces/transfer_list.h"
#include "core/state/chunk.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qel {
class cXFile;
}

namespace tornel {

struct AppState;
class cDownload;

// What the two transfer lists say: a row per download of this node (new
// ones at the end) and a row per upload the node serves (new ones on top),
// each cell written only when its text changes, with the speed of each
// upload measured between refreshes. One object per window that shows the
// lists.
class TransferLists {
  public:
    explicit TransferLists(AppState& state) : state_(state) {}

    // Downloads, then uploads, then the window's buttons.
    void updateTransfers(TransferList& lvDown, TransferList& lvUp, TransferListOwner& window);
    void updateDownloads(TransferList& lvDown);
    // The node's uploads into lvUp.
    void updateUploads(TransferList& lvUp);
    // `uploads` (element 0 empty, as the library lists them) into lvUp.
    void showUploads(TransferList& lvUp, const std::vector<std::shared_ptr<qel::cXFile>>& uploads);

  private:
    AppState& state_;
    // Per request ID: the speed samples of the upload and its progress at
    // the refresh before.
    std::unordered_map<std::string, std::deque<cChunk>> uploadSamples_;
    std::unordered_map<std::string, int64_t> uploadLastProgress_;
};

// Bytes per second over the last 1.5 × `timeout` ms after a sample of
// `bytes`, taken only while the upload transfers (`status` 1), else -1.
int64_t uploadSpeed(int64_t bytes, int32_t status, std::deque<cChunk>& samples, int64_t timeout);

// Writes `text` into cell `column` of the row `key` when it differs; a
// missing row is ignored.
void setListText(TransferList& list, const std::string& key, int column, const std::string& text);

// Takes the download out of `downloads` and its row out of `list` (either
// may be gone already). Closes nothing and tells nobody.
void removeDownload(AppState& state, const cDownload& dl, TransferList* list);

}  // namespace tornel
