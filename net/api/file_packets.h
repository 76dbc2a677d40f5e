#pragma once

#include "packet.h"
#include "session.h"

#include "qellib/types.h"
#include "qellib/variant.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The packets of file transfers as the serving node sends them: FILE chunks,
// refusals and cancel notices, REQCONFIRM when no route is known, and the
// receiver's FILECONFIRM.
namespace qel {

class clsFileSend;
class clsSocket;

// Where a FILE went: the connection that took it, and the packet's "ID".
struct SentChunk {
    std::shared_ptr<clsSocket> connection;
    std::string packetID;
};

// Sends one FILE to `destination`: "ReqID" (a new ID when empty),
// "Destination", "FileStatus", "Metadata", "Flags" with "RF" when the
// transfer is paced by confirmation (the sender's, else the session's
// "routeFiles"), then "Content-Range" when given; the body is `data`. It goes
// on `connection` when given, else on the direct connection to this node
// itself (with "seeSelf"), else on the route to the destination. With none,
// the FILE is not sent: a REQCONFIRM asks the receiver to show the way, and
// the upload shows "Re-routing"; the fifth failure in a row of `sender`
// cancels it instead and tells the receiver ("Routing failed"). True when a
// connection took the FILE (then told in `sent`, when given). With
// `originalLength`, `data` is already compressed from that many bytes: the
// FILE is flagged "Z" and carries its "Original-Length", and is not
// compressed again.
bool sendFileChunk(Session& own, const std::string& destination, const std::string& contentRange,
                   std::string data, std::string reqID, int32_t fileStatus, const Variant& Metadata,
                   const std::shared_ptr<clsSocket>& connection, clsFileSend* sender,
                   std::optional<int64_t> originalLength = std::nullopt, SentChunk* sent = nullptr);

// The connection a chunk for `destination` goes on: the direct connection
// to this node itself (with "seeSelf"), else the route to it; null for none.
std::shared_ptr<clsSocket> chunkRoute(const Session& own, const std::string& destination);

// A FILE with "ReqID", "Destination" and "FileStatus" 3 alone: a refused
// request, or a transfer given up.
void sendFileRefusal(const std::string& reqID, const std::string& destination);

// Answers a REQCONFIRM, or a FILE flagged "RF", with FILECONFIRM to its
// source: the same "ReqID", and the packet's "ID" followed by "RF". It goes
// back on `arrival`, the connection the packet came by, while that is up.
void doFileConfirm(const clsPacket& pkt, const std::shared_ptr<clsSocket>& arrival);

// Writes a value into a field: an array as a string array, anything else as
// its text.
void setValueField(clsPacket& pkt, std::string_view name, const Variant& value);

}  // namespace qel
