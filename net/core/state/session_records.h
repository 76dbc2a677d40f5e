#pragma once

#include "qellib/types.h"
#include "qellib/variant.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The records a session keeps in its tables.
namespace qel {

class cQELRPC;
class clsSocket;

// One known node, with the state of a ping to it.
struct typNodeEntry {
    std::string ID;
    std::string Name;
    enmRole Role = enmRole{};
    std::string Descriptor;
    std::string activeUser;
    bool sharingFiles = false;
    bool directConn = false;    // described over a direct connection (no hops)
    std::string Address;        // where the node listens: IP, ":", port
    std::string encryptionKey;  // the key we encrypt packets for that node with
    std::string pingReqID;
    int64_t pingSent = 0;    // tick count when that PING went out
    int64_t pingResult = 0;  // round trip in ms of the last matching PONG, -1 while waiting
};

// A node asked for its description without waiting for it: until the
// deadline (a tick count) the node is not asked again, and `then` runs with
// the description when it arrives.
struct typDescriptionWait {
    std::string nodeID;
    int64_t deadline = 0;
    std::function<void(const typNodeEntry&)> then;  // may be empty
};

// One shared folder.
struct typShare {
    std::string localPath;  // without a trailing separator
    std::string shareName;  // the share's name in remote paths
};

// Public calls waiting for their answers, matched by request ID.
struct typSearchReq {
    std::vector<typSearchResult> results;  // element 0 blank
    std::string ReqID;
    bool done = false;
    int64_t resultBytes = 0;  // of the node IDs and results kept
};

// Long work a peer asked for (hashing a file, listing a tree, searching the
// shares) that waits for the work under way: done, and answered, in turn.
struct typLongWork {
    std::string request;               // what was asked, for a report
    std::function<void()> run;         // does the work and answers; events run meanwhile
    std::function<void()> refuseWork;  // answers as the request does when it fails
};

struct typContentsReq {
    StringArray contents;  // element 0 empty
    std::string ReqID;
    bool done = false;
};

struct typFileInfoReq {
    typFileInfo info;
    std::string ReqID;
    bool done = false;
};

// A transfer this node receives and has not seen end: a file it asked for,
// or a push whose first FILE reached it. Its sender is judged unreachable
// when the connection its packets came by closes and nothing of it arrives
// for a while after.
struct typRunningRequest {
    std::string nodeID;            // the sender
    std::weak_ptr<clsSocket> via;  // where the sender's packets last came from (or the GET went)
    int64_t interruptedAt = 0;     // tick count `via` closed at; 0 while nothing is amiss
    bool pushed = false;           // started by the sender, not asked for by this node
    uint64_t sequence = 0;         // order of making, so the oldest can give way
};

// One remote call in progress.
struct typRPCPending {
    std::string ReqID;
    std::string nodeID;  // outgoing: the destination given; incoming: the caller
    bool blocking = false;
    Variant result;  // the answer of a blocking call, empty until it arrives
    bool done = false;
};

// One remote procedure bound by this node.
struct typRPCBinding {
    std::string ProcName;
    enmRPCType ReqType = RPC_INCOMING;
    std::shared_ptr<cQELRPC> owner;      // events of this binding are raised on it
    std::vector<typRPCPending> pending;  // element 0 blank
};

}  // namespace qel
