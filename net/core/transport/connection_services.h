#pragma once

#include "packet.h"
#include "session.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qel {

class clsSocket;

// What a connection hands to the parts of the core around it (and the
// connection manager asks of them): the receive pipeline, the node's own
// description, the upload engine and reconnection. Each connection is handed
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

    // A FILE chunk of upload `reqID`, ending at byte `lastByte`, has left a
    // connection of `session`. Records the upload's progress and returns
    // whether a sender runs under `reqID`.
    virtual bool recordUploadProgress(Session& session, const std::string& reqID,
                                      int64_t lastByte) = 0;
    // The sender of `reqID` sends its next chunk.
    virtual void checkNextChunk(const std::string& reqID) = 0;
    // The sender of `reqID` prepares its next chunk while the receiver's
    // confirmation of the last one travels.
    virtual void prepareNextChunk(const std::string& reqID) = 0;

    // Starts connecting the same connection again, asynchronously.
    virtual void reconnect(const std::shared_ptr<clsSocket>& connection) = 0;
};

}  // namespace qel
