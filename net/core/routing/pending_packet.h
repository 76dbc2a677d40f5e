#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace qel {

class clsSocket;
struct Session;

// One outgoing packet, written once into its text and sent (and resent) as
// exactly that text. Shared between the connection that writes it and, for a
// packet awaiting confirmation, the pending table.
struct clsPendingPkt {
    // The packet as it goes on the wire: its header in strPacket and its body
    // in strBody, written together in one call; a body the sender gave up is
    // kept apart so that it is never copied, else strPacket holds it all.
    std::string strPacket;
    std::string strBody;
    std::weak_ptr<Session> session;       // the node that sends it
    std::weak_ptr<clsSocket> sourceSck;   // a forwarded packet's arrival connection
    std::weak_ptr<clsSocket> sendViaSck;  // a connection the sender forces
    // Whether those were given at all: either may have gone since.
    bool forwarded = false;
    bool viaForcedConnection = false;
    std::string Method;
    bool needsConfirmation = false;
    std::string Destination;
    std::string ID;
    std::string reqID;  // FILE packets: the upload the packet belongs to
    // FILE packets carrying a chunk: the last byte of its "Content-Range";
    // absent on a FILE packet without a chunk (a status or cancel notice).
    std::optional<int64_t> fileProgress;
    bool Sent = false;
    int64_t timeStamp = 0;  // tick count of the last send of a confirmable packet
    int32_t sendCount = 0;

    int64_t wireSize() const { return static_cast<int64_t>(strPacket.size() + strBody.size()); }
};

}  // namespace qel
