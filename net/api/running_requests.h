#pragma once

#include "session.h"
#include "transfer_limits.h"

#include "qellib/types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The receiving side's record of its running transfers (the session's
// `runningRequests`): the files this node asked for and the pushes whose
// first FILE reached it, each with its sender, until it ends. When the
// connection a transfer's packets came by closes, its sender has a grace
// period to come back by another route; after it, the transfer is given up
// and the application hears of it as a cancel (transfer_settler.h). Every
// store here is bounded: a peer's pushes per peer and in all, this node's
// own requests in all (the oldest giving way).
namespace qel {

class clsSocket;

// This node asked `nodeID` for a file under `reqID`; the GET went on `via`
// (null when it was flooded).
void noteRequestMade(Session& own, const std::string& reqID, const std::string& nodeID,
                     const std::shared_ptr<clsSocket>& via);

// A FILE (with its status) or REQCONFIRM (no status) of `reqID` came from
// `source` over `connection`. A packet of the transfer's own sender keeps
// it standing; a FILE that ends it (complete or cancelled) ends the record;
// the first FILE of an unknown transfer starts the record of a push.
void noteSenderHeard(Session& own, const std::string& reqID, const std::string& source,
                     const std::shared_ptr<clsSocket>& connection, int32_t fileStatus);
inline constexpr int32_t NoFileStatus = -1;

// This node has ended the transfer under `reqID` from `nodeID` itself.
void forgetRequest(Session& own, const std::string& reqID, const std::string& nodeID);

// `connection` closed: the transfers whose packets came by it (or, not yet
// started, whose sender has no way left at all) start their grace period.
// Whether any did.
bool requestsLostConnection(Session& own, const std::shared_ptr<clsSocket>& connection);

// Takes out the transfers whose grace period has run out at `nowMs`, oldest
// first: their senders are unreachable.
std::vector<std::string> takeRequestsGivenUp(Session& own, int64_t nowMs);

}  // namespace qel
