#include "library_state.h"

#include "connection_manager.h"
#include "core_connection_services.h"
#include "core_methods.h"
#include "discovery.h"
#include "guarded.h"
#include "local_address.h"
#include "long_work_queue.h"
#include "node_info.h"
#include "receive_pipeline.h"
#include "socket_host.h"
#include "wire_format.h"

#include "platform/debug_output.h"
#include "platform/event_loop.h"

#include <algorithm>

namespace qel {
namespace {

LibraryState* testState = nullptr;

// Each tick goes to the host of the state the timer belongs to.
template <void (SocketHost::*Handler)()>
void toHost() {
    if (SocketHost* host = library().socketHost.get()) {
        (host->*Handler)();
    }
}

void loadSocketHost(LibraryState& lib) {
    lib.socketHost = std::make_unique<SocketHost>();
    lib.timers->connection.setHandler(toHost<&SocketHost::timSck_Timer>);
    lib.timers->confirmation.setHandler(toHost<&SocketHost::timConfirm_Timer>);
    lib.timers->statistics.setHandler(toHost<&SocketHost::timStats_Timer>);
    lib.socketHost->udpDataArrival = udpDataArrival;
}

// Connections hand their packets to the receive pipeline, which answers the
// core's own methods, and announce the node with its description.
void wireReceivePath(LibraryState& lib) {
    lib.connectionServices = std::make_shared<CoreConnectionServices>();
    addCoreMethods(lib.methodHandlers);
    // While a handler waits, every pass of the event loop lets the packets
    // waiting behind it go on; with no packet being handled, a pass does one
    // job of the long work peers asked for.
    platform::setEventLoopPassHook([] {
        const bool resumed = library().receiveNesting.resumeWaiting();
        return runQueuedLongWork() || resumed;
    });
}

}  // namespace

LibraryState::LibraryState() = default;
LibraryState::~LibraryState() = default;

LibraryState& library() {
    if (testState != nullptr) {
        return *testState;
    }
    // Never destroyed: it holds Qt objects (timers, the debug window, later
    // sockets) that must not be torn down after the application object.
    static LibraryState& state = *new LibraryState();
    return state;
}

bool initLibrary() {
    LibraryState& lib = library();
    if (lib.libraryInitialised) {
        return true;
    }
    return guarded("", false, [&lib] {
        lib.protocolVersion = ProtocolVersion;
        lib.timers = std::make_unique<LibraryTimers>();
        loadSocketHost(lib);
        wireReceivePath(lib);
        lib.localAddress = getLocalIP();
        lib.listenerSessions.assign(1, SessionHandle());
        lib.filePacket = 256;
        lib.packetCache = 50;
        lib.nodeCacheMax = 20;
        lib.nodeCache.assign(1, typNodeEntry());
        lib.timers->statistics.setInterval(500);
        lib.timers->statistics.setEnabled(true);
        lib.timers->connection.setInterval(5000);
        lib.timers->connection.setEnabled(true);
        lib.timers->confirmation.setInterval(500);
        lib.libraryInitialised = true;
        return true;
    });
}

void updateConfirmTimer() {
    LibraryState& lib = library();
    if (!lib.timers) {
        return;
    }
    const std::vector<SessionPtr> sessions = lib.sessions.snapshot();
    lib.timers->confirmation.setEnabled(std::any_of(
        sessions.begin(), sessions.end(), [](const SessionPtr& s) { return s->confirmMode; }));
}

ScopedLibraryState::ScopedLibraryState()
    : state_(std::make_unique<LibraryState>()), previous_(testState) {
    testState = state_.get();
}

ScopedLibraryState::~ScopedLibraryState() {
    testState = previous_;
}

}  // namespace qel
