#pragma once

#include "connection_services.h"
#include "dispatch_table.h"
#include "header_budget.h"
#include "keyed_collection.h"
#include "product.h"
#include "receive_nesting.h"
#include "session.h"
#include "session_records.h"
#include "transforms.h"

#include "platform/timer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {
class DebugOutput;
}

// The process-wide state of qellib, shared by every session of the process.
namespace qel {

class clsSocket;
class SocketHost;
struct clsPendingPkt;

// Traffic of the whole process.
struct TrafficCounters {
    // Accumulated since the last rate refresh.
    int64_t bytesIn = 0;
    int64_t bytesOut = 0;
    int64_t packetsIn = 0;
    int64_t packetsOut = 0;
    // Totals since load.
    int64_t InPacketCount = 0;
    int64_t OutPacketCount = 0;
    int64_t PacketsDropped = 0;
    int64_t DeliveryResends = 0;
    int64_t DeliveryFailures = 0;
    int64_t compressionSum = 0;
    int64_t compressionCount = 0;
    // Rates of the last refresh period.
    int64_t InByteSpeed = 0;
    int64_t OutByteSpeed = 0;
    int64_t InPacketRate = 0;
    int64_t OutPacketRate = 0;
    int64_t lastRefresh = 0;  // tick count of the last rate refresh; 0 before the first
};

// How much a peer that stops reading may hold up on one connection before the
// connection is closed as if the peer had closed it, and where forwarded
// traffic is held back instead. While a connection's queue is above
// `holdForwardedAtBytes`, copies of a flood are dropped for it, and the
// connections whose packets it relays towards their destination are not
// read, until it has written down to half of that. A write that makes no
// progress for `stallTimeouts` of its session's Timeout (no less than
// `minStallMs`, so that a busy machine's pause is no stall, and at most
// `maxStallMs`) closes the connection. Tests shorten them.
struct OutgoingBounds {
    int64_t maxQueuedBytes = int64_t{64} * 1024 * 1024;       // handed over and not yet written
    int64_t minStallMs = 5'000;                               // a write making no progress
    int64_t maxStallMs = 60'000;                              // the same
    int64_t stallTimeouts = 4;                                // the same, in session Timeouts
    int64_t holdForwardedAtBytes = int64_t{4} * 1024 * 1024;  // a relay's soft mark
};

// How far one file search of a node's shares goes: the folder entries it
// looks at and how long it runs; what it found by then is its answer. Tests
// shorten them.
struct SearchBounds {
    int64_t maxEntries = 1'000'000;
    int64_t maxMs = 5'000;
};

// The library's timers; initLibrary hands their ticks to the socket host.
struct LibraryTimers {
    platform::Timer connection;    // time-outs and reconnects
    platform::Timer confirmation;  // resends of unconfirmed packets
    platform::Timer statistics;    // traffic rates
};

struct LibraryState {
    LibraryState();
    ~LibraryState();
    LibraryState(const LibraryState&) = delete;
    LibraryState& operator=(const LibraryState&) = delete;

    int32_t packetCache = 0;  // seen-ID places given to each session when it is initialised
    int32_t filePacket = 0;   // default file chunk size in KiB
    bool libraryInitialised = false;
    std::string localAddress;
    std::vector<typNodeEntry> nodeCache;  // from element 0; one blank element when empty
    std::string protocolVersion;
    int32_t nodeCacheMax = 0;
    bool debugMode = false;
    // Made by initLibrary; declared before the tables, whose connections use its elements.
    std::unique_ptr<SocketHost> socketHost;
    HeaderBudget headerBudget;  // packet headers being received, across connections
    KeyedCollection<std::shared_ptr<clsSocket>> connectionTable;  // by connection ID
    std::vector<SessionHandle> listenerSessions;  // the session each TCP listener serves
    KeyedCollection<std::shared_ptr<clsPendingPkt>> pendingTable;  // by packet ID
    TrafficCounters counters;
    OutgoingBounds outgoingBounds;
    SearchBounds searchBounds;
    SessionTable sessions;
    // Handed to each connection made; set by initLibrary, replaced by the node services.
    std::shared_ptr<ConnectionServices> connectionServices;
    DispatchTable methodHandlers;   // the packet methods this process's nodes answer
    ReceiveNesting receiveNesting;  // packets being handled, and the streams waiting for room
    BodyCompressor bodyCompressor;  // for every body sent with compression on
    size_t longWorkTurn = 0;        // the session whose queued long work goes next
    bool longWorkQueued = false;    // some session may have long work queued

    std::unique_ptr<LibraryTimers> timers;               // made by initLibrary
    std::unique_ptr<platform::DebugOutput> debugWindow;  // made by the first debug output
    int errorNesting = 0;  // Error events being raised, one inside another
};

// The state of this process.
LibraryState& library();

// One-time set-up, done by the first cQEL object. A failing step is reported
// and ends set-up with the library still not initialised.
bool initLibrary();

// Enables the confirmation resend timer while some session has confirmation
// mode on, and disables it otherwise.
void updateConfirmTimer();

// For tests: while alive, library() is a fresh state, torn down at the end of
// the scope.
class ScopedLibraryState {
  public:
    ScopedLibraryState();
    ~ScopedLibraryState();
    ScopedLibraryState(const ScopedLibraryState&) = delete;
    ScopedLibraryState& operator=(const ScopedLibraryState&) = delete;

  private:
    std::unique_ptr<LibraryState> state_;
    LibraryState* previous_;
};

}  // namespace qel
