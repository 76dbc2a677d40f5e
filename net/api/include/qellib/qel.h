#pragma once

#include "qellib/events.h"
#include "qellib/types.h"
#include "qellib/variant.h"
#include "qellib/x_file.h"
#include "qellib/x_range.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qel {

class cQELDiscover;
class cQELRPC;
class cQELRPCEvents;
class cQELUsers;
class NodeObject;
struct Session;

// One node of the peer network. The first node of a process sets the library
// up; each node owns one session, and several nodes of one process work side
// by side without seeing each other's connections or packets.
//
// Every operation makes the node's own session current for its work and
// restores the session that was current before on return. Nothing escapes to
// the caller: a failure is reported through the node's Error event ("Error "
// + number + ": " + description + " [" + operation + "]") and the operation
// returns its default (false, 0, "", null, an empty array; -1 for Ping).
// After shutDown every operation returns its default.
//
// Calls that wait for an answer (Connect, Ping, getNodeInfo, searchReq,
// getContents, getFileInfo, disconnectFrom with a node ID) let events run meanwhile, so
// event handlers may call into any node. The operations are declared in the
// order of the node's published interface.
class cQEL {
  public:
    // `events` receives the node's events. The node holds it weakly: the
    // caller keeps it alive for as long as it wants events.
    explicit cQEL(std::weak_ptr<cQELEvents> events = {});
    // Shuts the node down unless that has been done.
    ~cQEL();
    cQEL(const cQEL&) = delete;
    cQEL& operator=(const cQEL&) = delete;

    // Gives the node its identity (a new node ID and key), the defaults
    // (Timeout 1500 ms, TTL 20, RPC time-out 10000 ms, 10 routes,
    // confirmation time-out 10000 ms with 2 retries, announcing itself on,
    // file packets of 256 KiB, every other switch off), then the advanced
    // settings (see setAdvanced), then sizes its tables and shares
    // `sharedDir` when one is given.
    void Initialise(const std::string& nodeName, int32_t listenPort = 0, enmRole Role = role_Peer,
                    const std::string& Descriptor = {}, const std::string& sharedDir = {},
                    const std::string& advancedSettings = {});
    // Shares a folder (a missing path or a plain file is ignored). A trailing
    // "/" is removed, in the caller's variable too; the share is named after
    // the folder's last component ("/" is "Root").
    void shareFolder(std::string& strPath);
    void stopSharing();
    // Listens on `lngPort`, or on the node's listen port when it is 0. The
    // node advertises its listen port: a node not listening yet takes
    // `lngPort` as its listen port; a further listener leaves it.
    bool Listen(int32_t lngPort = 0);

    // Connects to an address (host, or host ":" port), or with `isNodeID` to
    // a known node, reusing a connection of this node to it; blocks until it
    // is open or the node's Timeout has passed. The connection ID, or ""; a
    // maintained connection's ID even when it is not open yet (it is retried
    // until a disconnect).
    std::string Connect(const std::string& strNode, bool isNodeID = false, bool bMaintain = false);
    // The same, without waiting.
    void connectMaintainAsync(const std::string& strNode, bool isNodeID = false,
                              bool bMaintain = false);
    // Closes this node's connections to the address (or the known node), also
    // maintained ones that are down, which stop being retried. True when one
    // matched.
    bool disconnectFrom(const std::string& strNode, bool isNodeID = false);
    bool disconnectByID(const std::string& connectionID);
    // Stops listening and closes every connection of the node.
    bool disconnectAll();
    bool stopListening();
    // What is known of a node: one element, from the tables with
    // `bUseCached`, else by asking it and waiting up to Timeout (empty when
    // no answer came). For "BROADCAST": every node is asked and after Timeout
    // each node that answered comes back, in the order of the answers (one
    // empty element when none did). For one node, inside the events raised
    // while a packet is handled, it never waits: it answers from the node's
    // table and asks the node without waiting, so that the answer is known
    // (knownNodeInfo) once it comes.
    std::vector<typNodeInfo> getNodeInfo(const std::string& strDestination = "BROADCAST",
                                         bool bUseCached = true);
    // What the node already knows of `nodeID` (its table, then the process's
    // cache), at once: never asks and never waits; the ID is empty when
    // nothing is known.
    typNodeInfo knownNodeInfo(const std::string& nodeID);
    // Asks every node whether its name (Find_Node), or which of its shared
    // files' names (Find_File), contain `SearchText`, and collects answers
    // for the whole Timeout: element 0 blank, then one element per hit, in
    // the order they came, with the answering node's ID and the node's name
    // or the file's path ("\docs\notes.txt"). The text may use "?" (any one
    // character), "*" (any run), "#" (a digit), "[a-f]" and "[!x]"; letter
    // case is ignored.
    std::vector<typSearchResult> searchReq(enmSearchType SearchType, const std::string& SearchText);
    std::shared_ptr<cXRange> makeRange(int64_t lngStart = -1, int64_t lngEnd = -1,
                                       int64_t lngLen = -1);
    // Lists a folder of the node `nodeID`'s shares and waits up to Timeout
    // for the answer: element 0 empty, then "\name\" per folder and "\name"
    // per file (with `searchSubDirs`, paths below the folder without the
    // leading "\"). "/" becomes "\", in the caller's variable too. A path
    // that climbs up ("..\") is not sent; it, no answer in time and a path
    // the node does not share give element 0 alone.
    StringArray getContents(std::string& strPath, const std::string& nodeID,
                            bool searchSubDirs = false);
    // The size and, unless `skipHash`, the MD5 digest of a file the node
    // `nodeID` shares, waiting up to Timeout for the answer. "/" becomes "\",
    // in the caller's variable too. Size -1 on every failure: a path that
    // climbs up (not sent), no answer in time, a file that is not shared.
    typFileInfo getFileInfo(std::string& remotePath, const std::string& nodeID,
                            bool skipHash = true);
    // Asks the node `nodeID` for the file at `remotePath` (as given), the
    // bytes `Range` names or the whole file. Returns the request's ID; the
    // file arrives as FileReceived events under it, one per chunk, each
    // with its "Content-Range" as the range (the last with status complete,
    // a refusal or cancel with status cancelled and no data).
    std::string requestFile(const std::string& remotePath, const std::string& nodeID,
                            const std::shared_ptr<cXRange>& Range = nullptr,
                            const Variant& Metadata = std::string());
    // Sends one FILE to `nodeID` under `reqID` (a new ID when empty) with
    // `Data`, `fileStatus` and `Metadata`, and `Range` as its Content-Range.
    // The upload under `reqID` takes `fileStatus`; FS_Canceled also stops
    // its transfer. With `uploadInfo` the node first pushes that local file
    // (fullPath) whole to the node, under the request ID and node given here
    // or else the record's; its Resource (or the file's name) names it. A
    // record under that ID is replaced. `Resource` is not used.
    void sendFile(const std::string& nodeID, const std::string& reqID = {},
                  const std::string& Data = {}, enmFileStatus fileStatus = FS_Transferring,
                  const std::string& Resource = {}, const std::shared_ptr<cXRange>& Range = nullptr,
                  const std::shared_ptr<cXFile>& uploadInfo = nullptr,
                  const Variant& Metadata = std::string());
    // Serves a request whose FileRequest handler took it over (TakeNoAction)
    // as the node would have served it on the handler's return: the file at
    // `fullPath`, or the bytes `Range` names, to `nodeID` under `reqID`, its
    // upload record naming `Resource`. A node no longer sharing, a file that
    // is not there any more and full transfer bounds are answered as a
    // refused GET is (one FILE with status cancelled).
    void serveFileRequest(const std::string& Resource, const std::string& fullPath,
                          const std::string& nodeID, const std::string& reqID,
                          const std::shared_ptr<cXRange>& Range = nullptr);
    // While a FileRequest event of this node is being handled: the ID of the
    // connection the request came on (as connectionEstab told it); none
    // outside the event.
    std::optional<std::string> fileRequestConnection() const;
    // Element 0 null, then the node's upload records in the order they were
    // made (the records themselves, which the node keeps up to date).
    std::vector<std::shared_ptr<cXFile>> getUploads();
    // Forgets the upload; one still running is cancelled first, and its
    // receiver is told.
    void removeUpload(const std::string& reqID);
    // While a FileReceived event of this node is being handled: the node
    // that sent the FILE (its "Source"); none when the node raised the event
    // on its own (a transfer it found failed), and outside the event.
    std::optional<std::string> fileReceivedFrom() const;
    // Sends a text message; the node raises MessageReceived with the body,
    // the type and this node's ID.
    void sendMessage(const std::string& strMessage, const std::string& nodeID,
                     const std::string& strType = {});
    // The round trip to a known node in ms (0 is under 1 ms), or -1: no
    // answer within `Timeout` ms, or a node that is not known (reported).
    int64_t Ping(const std::string& nodeID, int64_t Timeout = 3000);
    // Whether some connection of the node is connected.
    bool isConnected();
    // Whether some connection of the node still holds packets it has not
    // handed to the system (a write in progress, or packets waiting behind
    // one); what shutDown would drop.
    bool hasUnsentPackets();
    void setRole(enmRole Role);
    void setName(const std::string& Name);
    // Reads the advanced settings from a settings text, section "Common", in
    // this order: "nodeID", "Timeout", "TTL", "useEnc", "netPass",
    // "useComp", "seeSelf", "announceSelf", "maxRoutes", "confirmMode",
    // "confirmTimeout", "confirmRetry", "routeFiles", "filePacket" (KiB; 256
    // when absent), "packetCache" (for nodes initialised later). A key that
    // is absent keeps its value; a value that does not read as its type
    // (error 13) or lies outside its range (error 380) is reported and ends
    // the reading there. Table sizes take effect at the next Initialise.
    void setAdvanced(const std::string& Settings);
    // Closes every connection, listener and the discovery socket of the
    // node, drops its unconfirmed packets and frees its session. A second
    // call does nothing.
    void shutDown();
    // Companion objects working for this node; they may be made before
    // Initialise, and after shutDown they do nothing. A remote-procedure
    // object raises its events on `events`, held weakly like the node's own.
    std::shared_ptr<cQELUsers> newUsersInstance();
    std::shared_ptr<cQELRPC> newRPCInstance(std::weak_ptr<cQELRPCEvents> events = {});
    std::shared_ptr<cQELDiscover> newDiscoverInstance();
    // From now on every node description that arrives raises nodeInfo
    // instead of entering the node table; every node is asked at once.
    void startNodeInfoAsync();
    void stopNodeInfoAsync();

    // The node's place in the process's table of nodes (the first node is
    // 1, and a node moves down when an earlier one shuts down); -1 once shut
    // down.
    int32_t sessionIndex() const;

  private:
    friend std::weak_ptr<Session> sessionOf(const cQEL& node);

    // Shared with operations under way, so that a node destroyed by an event
    // handler is torn down only after they return.
    std::shared_ptr<NodeObject> node_;
};

}  // namespace qel
