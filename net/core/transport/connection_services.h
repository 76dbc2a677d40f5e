#pragma once

#include "packet.h"
#include "pending_packet.h"
#include "session.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qel {

class clsSocket;

// What a connection hands to the parts of the core around it (and the
// connection manager asks of them): the receive pipeline, the node's own
// description, the transfer engine and reconnection. Each connection is handed
// one when it is made, so the transport layer never reaches up to them.
class ConnectionServices {
  public:
    virtual ~ConnectionServices() = default;

    // One complete packet cut from the connection's stream, with the
    // connection's session current.
    virtual void processPacket(clsPacket& packet, const std::shared_ptr<clsSocket>& connection) = 0;

    // Announces this node to `destination` on the connection.
    virtual void sendInfo(const std::string& destination,
                          const std::shared_ptr<clsSocket>& connection) = 0;

    // The address `nodeID` is known to listen at, "" when it is not known.
    virtual std::string nodeAddress(const std::string& nodeID) = 0;

    // A FILE packet carrying a chunk (`chunk.reqID`, to `chunk.Destination`,
    // ending at `chunk.fileProgress`) has been written out by `connection`
    // of `session`: the upload engine records it and paces its transfer.
    virtual void fileChunkWritten(Session& session, const clsPendingPkt& chunk,
                                  const std::shared_ptr<clsSocket>& connection) = 0;
    // `connection` of `session` has closed, its queued packets dropped: the
    // transfers that rode it settle.
    virtual void connectionClosed(Session& session,
                                  const std::shared_ptr<clsSocket>& connection) = 0;

    // A transfer has started: whatever watches the running transfers wakes.
    virtual void transferStarted() {}

    // Starts connecting the same connection again, asynchronously.
    virtual void reconnect(const std::shared_ptr<clsSocket>& connection) = 0;
};

}  // namespace qel
