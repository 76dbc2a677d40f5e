#pragma once

#include "connection_services.h"

namespace qel {

// The core's own services for its connections: packets go to the receive
// pipeline, announcements are the node's description, addresses come from
// the node table and reconnects from the connection manager. Without an
// upload engine no upload is ever found; the node services add theirs.
class CoreConnectionServices : public ConnectionServices {
  public:
    void processPacket(clsPacket& packet, const std::shared_ptr<clsSocket>& connection) override;
    void sendInfo(const std::string& destination,
                  const std::shared_ptr<clsSocket>& connection) override;
    std::string nodeAddress(const std::string& nodeID) override;
    bool recordUploadProgress(Session& session, const std::string& reqID,
                              int64_t lastByte) override;
    void checkNextChunk(const std::string& reqID) override;
    void prepareNextChunk(const std::string& reqID) override;
    void reconnect(const std::shared_ptr<clsSocket>& connection) override;
};

}  // namespace qel
