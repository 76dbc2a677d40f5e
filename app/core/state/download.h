#pragma once

#include <cstdint>
#include <string>

namespace tornel {

// The states of a download.
enum DownloadStatus : int32_t {
    DL_Pending = 0,
    DL_Starting = 1,
    DL_Downloading = 2,
    DL_Complete = 3,
    DL_Cancelled = 4,
};

// The record of one download, kept in `downloads` under its `Key`.
class cDownload {
  public:
    std::string remotePath;
    std::string reqID;
    std::string nodeID;
    std::string Key;
    std::string localPath;
    int32_t Status = DL_Pending;
    std::string extendedStatus;

    // Cancels without asking: the record stays, its state becomes Cancelled.
    void cancelOp();
};

}  // namespace tornel
