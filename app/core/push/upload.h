#pragma once

#include <string>

namespace tornel {

// One file offered to another user, kept in `pendingPushes` under `reqID`
// until the receiver answers.
class cUpload {
  public:
    std::string reqID;     // the request ID of the "Push" call
    std::string nodeID;    // the receiver
    std::string filePath;  // the local file offered
};

}  // namespace tornel
