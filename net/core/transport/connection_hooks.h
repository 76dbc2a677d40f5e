#pragma once

#include "packet.h"
#include "session.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace qel {

class clsSocket;

// Where connections hand work to the parts of the core around them. An empty
// hook does nothing (and a missing upload-progress hook finds no upload).
struct ConnectionHooks {
    // Receive pipeline: one complete packet cut from the connection's stream,
    // with the connection's session current.
    std::function<void(clsPacket& packet, const std::shared_ptr<clsSocket>& connection)>
        processPacket;

    // Node information: announces this node to `destination` on the connection.
    std::function<void(const std::string& destination,
                       const std::shared_ptr<clsSocket>& connection)>
        sendInfo;

    // Node information: the address `nodeID` is known to listen at, "" when
    // it is not known.
    std::function<std::string(const std::string& nodeID)> nodeAddress;

    // File transfer: a FILE chunk of upload `reqID`, ending at byte `lastByte`,
    // has left a connection of `session`. Records the upload's progress and
    // returns whether a sender runs under `reqID`.
    std::function<bool(Session& session, const std::string& reqID, int64_t lastByte)>
        recordUploadProgress;
    // File transfer: the sender of `reqID` sends its next chunk.
    std::function<void(const std::string& reqID)> checkNextChunk;

    // Connection manager: starts connecting the same connection again, asynchronously.
    std::function<void(const std::shared_ptr<clsSocket>& connection)> reconnect;
};

}  // namespace qel
