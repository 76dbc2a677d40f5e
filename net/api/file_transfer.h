#pragma once

#include "dispatch_table.h"
#include "pending_packet.h"
#include "session.h"

#include "qellib/variant.h"
#include "qellib/x_range.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The file transfer engine of a node. The serving side answers GET with FILE
// chunks (or one refusal), sends pushes the same way, paces each transfer one
// chunk at a time (by the connection's write, or by FILECONFIRM when the
// node routes files) and keeps an upload record (cXFile) per transfer.
// Senders are told apart by receiver and request ID. The requesting side
// confirms chunks when asked, raises FileReceived for each FILE and follows
// its running transfers (running_requests.h).
//
// Every transfer ends. When a connection closes, each sender whose chunk (or
// awaited confirmation) rode it goes on from its first unconfirmed byte by
// another route, or is cancelled and its receiver told; a sender that waits
// too long for a FILECONFIRM is cancelled the same way; a receiver whose
// sender stays unreachable hears FileReceived with status cancelled, no data
// and no range. Live senders and upload records are bounded
// (transfer_limits.h). Everything runs in the current session.
namespace qel {

class clsFileSend;
class clsSocket;
class cXFile;

// Adds GET, FILE, REQCONFIRM and FILECONFIRM to the methods a node answers.
void addFileTransferMethods(DispatchTable& table);

// A new upload record (fm_Upload) under `reqID`. A record already under that
// ID is reported (457) and kept, and null is returned. Finished records give
// way, oldest first, to keep within the bounds; null (logged) when even so
// there is no room.
std::shared_ptr<cXFile> newUpload(Session& own, const std::string& reqID, const std::string& nodeID,
                                  const std::string& Resource, const std::string& fullPath);

// Serves a GET as its FileRequest handler left it, then or later: the file
// at `fullPath` (what `range` selects of it, the whole file when null) to
// `nodeID` under `reqID`, its upload record naming `Resource`. A node no
// longer sharing, a file that is not there (any more) and full bounds answer
// with a refusal.
void serveFileRequest(Session& own, const std::string& Resource, const std::string& fullPath,
                      const std::string& nodeID, const std::string& reqID, const cXRange* range);

// Starts sending the file at `path` to `destination`: what `range` selects of
// it, the whole file when null. A live sender to the same node under the same
// request ID is dropped first, quietly. A file that cannot be opened, a range
// that selects nothing, or a sender beyond the bounds cancels the upload and
// answers with a refusal.
void startFileSend(Session& own, const std::string& path, const std::string& destination,
                   const std::string& reqID, const Variant& Metadata, const cXRange* range);

// The live sender to `destination` under `reqID`; null when none.
std::shared_ptr<clsFileSend> liveSender(const Session& own, std::string_view destination,
                                        std::string_view reqID);

// Cancels the live sender to `destination` under `reqID`. Whether one was.
bool cancelSender(Session& own, std::string_view reqID, std::string_view destination);

// `connection` has written out the FILE chunk `chunk`: its upload records it
// and its sender goes on.
void fileChunkWritten(Session& own, const clsPendingPkt& chunk,
                      const std::shared_ptr<clsSocket>& connection);

// `connection` has closed: the transfers that rode it are marked to be
// settled. Whether a sender waits to be (settleTransfers, soon).
bool transfersLostConnection(Session& own, const std::shared_ptr<clsSocket>& connection);

// Settles what the transfers of the current session wait for: interrupted
// senders go on or are cancelled, senders that waited too long for a
// FILECONFIRM are cancelled, and the receiving side gives up the transfers
// whose sender stayed unreachable (FileReceived, status cancelled).
void settleTransfers(const SessionPtr& own);

}  // namespace qel
