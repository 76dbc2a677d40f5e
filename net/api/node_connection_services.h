#pragma once

#include "core_connection_services.h"

namespace qel {

// The core's connection services with the node's upload engine: a drained
// FILE chunk records its upload's progress and paces the next chunk.
class NodeConnectionServices final : public CoreConnectionServices {
  public:
    bool recordUploadProgress(Session& session, const std::string& reqID,
                              int64_t lastByte) override;
    void checkNextChunk(const std::string& reqID) override;
    void prepareNextChunk(const std::string& reqID) override;
};

}  // namespace qel
