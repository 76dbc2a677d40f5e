#include "core_connection_services.h"

#include "connection_manager.h"
#include "node_info.h"
#include "receive_pipeline.h"

namespace qel {

void CoreConnectionServices::processPacket(clsPacket& packet,
                                           const std::shared_ptr<clsSocket>& connection) {
    qel::processPacket(packet, connection);
}

void CoreConnectionServices::sendInfo(const std::string& destination,
                                      const std::shared_ptr<clsSocket>& connection) {
    qel::sendInfo(destination, connection);
}

std::string CoreConnectionServices::nodeAddress(const std::string& nodeID) {
    return getNodeAddress(nodeID);
}

void CoreConnectionServices::fileChunkWritten(Session&, const clsPendingPkt&,
                                              const std::shared_ptr<clsSocket>&) {}

void CoreConnectionServices::connectionClosed(Session&, const std::shared_ptr<clsSocket>&) {}

void CoreConnectionServices::reconnect(const std::shared_ptr<clsSocket>& connection) {
    qel::reconnect(connection);
}

}  // namespace qel
