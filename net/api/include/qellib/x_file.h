#pragma once

#include "qellib/types.h"

#include <cstdint>
#include <string>

namespace qel {

// One upload the node serves: a file requested with GET or pushed with
// sendFile. The library creates and updates the records of its uploads; the
// application reads them (cQEL::getUploads) and builds one to push a file.
class cXFile {
  public:
    enmFileMode Mode = enmFileMode{};  // fm_Upload for every record the library makes
    std::string Resource;              // the path as the requester named it, or the pushed name
    std::string fullPath;              // the local file being sent
    std::string nodeID;                // the node the file goes to
    std::string reqID;                 // the request it answers
    int64_t lngProgress = 0;           // the last byte (0-based) that has left the socket
    int64_t lngSize = 0;               // the file's size in bytes
    // 0 until the first chunk has been handed on, then transferring, and
    // finally complete or cancelled (which is final).
    enmFileStatus Status = enmFileStatus{};
    bool External = false;       // the application's own; the library never reads or sets it
    std::string extendedStatus;  // "", "Re-routing" or "Routing failed"
};

}  // namespace qel
