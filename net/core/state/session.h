#pragma once

#include "keyed_collection.h"
#include "qellib/events.h"
#include "qellib/types.h"
#include "seen_packets.h"
#include "session_records.h"
#include "stored_route.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One node's state (a session, owned by one cQEL object), the process-wide
// session table, and which session is current.
//
// Records are owned through shared pointers and never move. Holders keep a
// SessionHandle, never an index: after another session is removed they still
// reach their own record, and once their own is removed they reach nothing.
// The 1-based index remains only where it can be observed.
namespace qel {

class cSettings;
class cXFile;
class clsFileSend;

struct Session {
    // Identity and settings (defaults are written when the node is initialised).
    std::string nodeID;
    std::string nodeName;
    enmRole Role = enmRole{};
    std::string Descriptor;
    int32_t listenPort = 0;
    int64_t Timeout = 0;  // ms, for every wait for an answer
    int32_t TTL = 0;
    int64_t filePacket = 0;  // file chunk size in bytes
    bool useComp = false;
    bool seeSelf = false;
    bool announceSelf = false;
    int64_t rpcTimeout = 0;
    bool confirmMode = false;
    int64_t confirmTimeout = 0;
    int32_t confirmRetry = 0;
    int32_t maxRoutes = 0;
    bool routesEnabled = false;
    bool routeFiles = false;
    std::string encryptionKey;  // this node's own key
    bool useEnc = false;
    std::string netPass;  // the network password

    // Tables.
    std::vector<typRPCBinding> rpcBindings;  // element 0 blank
    std::vector<typNodeEntry> nodeTable;     // from element 0; one blank element when empty
    std::vector<typDescriptionWait> descriptionWaits;  // at most limits::MaxDescriptionWaits
    SeenPacketIds packetIDs;
    std::vector<StoredRoute> routes;  // element 0 unused
    bool shuttingDown = false;
    bool disconnecting = false;
    std::vector<typShare> shares;  // from element 0; one blank element when empty
    bool sharing = false;
    std::shared_ptr<cSettings> userStore;
    std::string loginResult;
    std::string activeUser;
    std::vector<typContentsReq> pendingContents;  // element 0 blank
    std::vector<typSearchReq> pendingSearches;    // element 0 blank
    std::vector<typFileInfoReq> pendingFileInfo;  // element 0 blank
    bool longWorkRunning = false;                 // long work a peer asked for, one job at a time
    std::deque<typLongWork> queuedLongWork;       // at most limits::MaxQueuedLongWork
    bool nodeInfoAsync = false;
    bool listening = false;
    bool connected = false;

    // The events of the cQEL object this session belongs to.
    std::weak_ptr<cQELEvents> owner;

    // UDP discovery.
    int32_t udpPort = 0;
    int32_t udpIndex = 0;       // the session's element of the host's sckUDP array; 0: none
    std::string udpBuffer;      // the unended start of a record, from one sender
    std::string udpBufferFrom;  // that sender's IP
    std::vector<std::string> discovered;  // element 0 empty
    std::unordered_map<std::string, int64_t>
        udpAnsweredAt;                 // tick count of the last answer to each
    int64_t udpAnswerSecondStart = 0;  // tick count starting the second being counted
    int32_t udpAnswersThisSecond = 0;

    // File transfer.
    std::vector<std::shared_ptr<clsFileSend>> fileSends;
    KeyedCollection<std::shared_ptr<cXFile>> uploads;  // by request ID
    // The transfers this node receives, by request ID (exact), bounded.
    std::unordered_map<std::string, typRunningRequest> runningRequests;
    uint64_t runningRequestsMade = 0;
    // While FileReceived is raised for a FILE that arrived: the node that
    // sent it; none while the node raises it on its own.
    std::optional<std::string> fileSource;
    // While FileRequest is raised: the ID of the connection the GET came on.
    std::optional<std::string> fileRequestConnection;

  private:
    friend class SessionTable;
    bool inTable_ = false;
};

using SessionPtr = std::shared_ptr<Session>;
using SessionHandle = std::weak_ptr<Session>;

class SessionTable {
  public:
    // Appends a record with its blank tables; it is not made current.
    SessionPtr append(std::weak_ptr<cQELEvents> owner);
    // Removes the record; later records move down one place, and afterwards
    // no session is current.
    void remove(const Session& session);

    int32_t count() const { return static_cast<int32_t>(records_.size()); }
    bool isValid(int32_t index) const { return index >= 1 && index <= count(); }
    SessionPtr at(int32_t index) const;             // null when the index is not valid
    int32_t indexOf(const Session& session) const;  // 1-based; 0 when not in the table
    // The record behind a handle while it is still in the table, else null.
    static SessionPtr live(const SessionHandle& handle);
    std::vector<SessionPtr> snapshot() const { return records_; }

    const SessionPtr& current() const { return current_; }
    int32_t currentIndex() const { return current_ ? indexOf(*current_) : 0; }
    void setCurrent(SessionPtr session) { current_ = std::move(session); }

  private:
    std::vector<SessionPtr>::const_iterator find(const Session& session) const;

    std::vector<SessionPtr> records_;  // index 1 is records_[0]
    SessionPtr current_;
};

// Makes session `index` current. Reports (and returns false) when the library
// is not set up or the index is not valid; the current index itself returns
// whether it is valid, silently. Never throws.
bool switchSession(int32_t index);
// Makes the holder's own session current; false, silently, when it is gone.
bool switchSession(const SessionHandle& handle);
bool isValidSession(int32_t index);
SessionPtr currentSession();
// The current session; throws RuntimeError "QEL not initialised" when none is.
SessionPtr requireCurrentSession();

// Appends the record of a new cQEL object and makes it current (once the
// library is set up).
SessionPtr appendSession(std::weak_ptr<cQELEvents> owner);
// Removes a session; afterwards no session is current.
void removeSession(const Session& session);

// Remembers the current session, lets the holder switch, and makes the
// remembered session current again on exit (none, if it was removed meanwhile).
class CurrentSessionGuard {
  public:
    CurrentSessionGuard();
    ~CurrentSessionGuard();
    CurrentSessionGuard(const CurrentSessionGuard&) = delete;
    CurrentSessionGuard& operator=(const CurrentSessionGuard&) = delete;

    bool switchTo(int32_t index) { return switchSession(index); }
    bool switchTo(const SessionHandle& handle) { return switchSession(handle); }

  private:
    SessionHandle remembered_;
};

// The seen-packet cache of the current session: packets by source and ID.
bool packetSeen(std::string_view source, std::string_view id);
void rememberPacketID(std::string_view source, std::string_view id);

}  // namespace qel
