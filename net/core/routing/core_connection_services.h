#pragma once

#include "connection_services.h"

namespace qel {

// The core's own services for its connections: packets go to the receive
// pipeline, announcements are the node's description, addresses come from
// the node table and reconnects from the connection manager. Without a
// transfer engine, chunks and closes concern no transfer; the node services
// add theirs.
class CoreConnectionServices : public ConnectionServices {
  public:
    void processPacket(clsPacket& packet, const std::shared_ptr<clsSocket>& connection) override;
    void sendInfo(const std::string& destination,
                  const std::shared_ptr<clsSocket>& connection) override;
    std::string nodeAddress(const std::string& nodeID) override;
    void fileChunkWritten(Session& session, const clsPendingPkt& chunk,
                          const std::shared_ptr<clsSocket>& connection) override;
    void connectionClosed(Session& session, const std::shared_ptr<clsSocket>& connection) override;
    void reconnect(const std::shared_ptr<clsSocket>& connection) override;
};

}  // namespace qel
