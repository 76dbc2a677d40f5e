#pragma once

#include "core/interfaces/download_window.h"
#include "core/state/app_state.h"
#include "core/state/download.h"
#include "support/temp_folder.h"

#include <memory>
#include <string>
#include <vector>

namespace tornel::test {

// A status window that records how it was shown.
class RecordingStatusWindow : public DownloadWindow {
  public:
    void showStatus(bool infoMode) override { shown.push_back(infoMode); }
    std::vector<bool> shown;
};

// A download record `key` of "\Music\KEY.mp3" from "PEER" into `folder`, in
// state `status`, with a recording status window, listed in `downloads`.
inline std::shared_ptr<cDownload> addDownloadRecord(AppState& state, const TempFolder& folder,
                                                    const std::string& key, int32_t status) {
    auto dl = std::make_shared<cDownload>(state);
    dl->Key = key;
    dl->remotePath = "\\Music\\" + key + ".mp3";
    dl->localPath = folder.file(key + ".mp3");
    dl->nodeID = "PEER";
    dl->Status = status;
    dl->statusWindow = std::make_shared<RecordingStatusWindow>();
    state.downloads.add(dl, key);
    return dl;
}

}  // namespace tornel::test
