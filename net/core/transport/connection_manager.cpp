#include "connection_manager.h"

#include "connection.h"
#include "error_codes.h"
#include "event_raisers.h"
#include "guarded.h"
#include "identifiers.h"
#include "library_state.h"
#include "numbers.h"
#include "socket_host.h"

#include "platform/event_loop.h"
#include "platform/runtime_error.h"

#include <algorithm>

namespace qel {
namespace {

using platform::SocketControl;
using platform::SocketState;

// How long a blocking connect sleeps between looks at its connection.
constexpr int64_t ConnectPollMs = 10;

bool inTable(const std::shared_ptr<clsSocket>& connection) {
    const std::shared_ptr<clsSocket>* found =
        library().connectionTable.find(connection->connectionID);
    return found != nullptr && *found == connection;
}

bool isDown(SocketState state) {
    return state == SocketState::Closed || state == SocketState::Error;
}

// Closed or failed, not to be kept up, and no blocking connect waits on it.
bool purgeable(const clsSocket& connection) {
    return !connection.Maintain && !connection.checkForTimeout && isDown(connection.state());
}

void purgeClosedConnections(LibraryState& lib) {
    for (const std::shared_ptr<clsSocket>& connection : lib.connectionTable.snapshot()) {
        if (!purgeable(*connection)) {
            continue;
        }
        lib.connectionTable.remove(connection->connectionID);
        if (SocketControl* control = connection->sck()) {
            if (control->state() != SocketState::Closed) {
                control->close();
            }
            control->tag.clear();
        }
        // A packet still holding the connection can no longer write on the
        // element, which will carry another connection.
        connection->detach();
    }
}

// The first closed element that carries no connection of the table, else a new one.
SocketControl& freeElement(SocketHost& host, const LibraryState& lib) {
    for (size_t index = 0; index < host.sck.count(); ++index) {
        SocketControl& element = host.sck[index];
        if (element.state() == SocketState::Closed &&
            (element.tag.empty() || !lib.connectionTable.contains(element.tag))) {
            return element;
        }
    }
    return host.loadConnectionElement();
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string knownAddress(const std::string& nodeID) {
    const std::shared_ptr<ConnectionServices>& services = library().connectionServices;
    return services ? services->nodeAddress(nodeID) : std::string();
}

// A connection of the session to `address` worth reusing: connected, or
// maintained (it comes back by itself).
std::shared_ptr<clsSocket> reusableConnection(const SessionPtr& own, const std::string& address) {
    for (const std::shared_ptr<clsSocket>& connection : library().connectionTable.snapshot()) {
        if (connection->session.lock() == own &&
            (connection->originalAddress == address || connection->Address == address) &&
            (connection->Maintain || connection->state() == SocketState::Connected)) {
            return connection;
        }
    }
    return nullptr;
}

void startConnect(clsSocket& connection, const ConnectTarget& target) {
    SocketControl* control = connection.sck();
    if (control == nullptr) {
        throw platform::RuntimeError(platform::rt::ObjectNotSet);
    }
    if (control->state() != SocketState::Closed) {
        control->close();
    }
    connection.resetStreams();
    control->connect(target.host, target.port);
}

bool stillConnecting(const clsSocket& connection) {
    const SocketState state = connection.state();
    return state != SocketState::Connected && state != SocketState::Error &&
           state != SocketState::Closed && !connection.timedOut &&
           platform::tickCount() - connection.connectionStarted <= connection.connectionTimeout;
}

// Lets events run until the connect has completed, failed or been closed,
// or its time is up.
std::string waitForConnect(const SessionPtr& own, const std::shared_ptr<clsSocket>& connection,
                           bool maintain) {
    connection->connectionStarted = platform::tickCount();
    connection->connectionTimeout = own->Timeout;
    connection->timedOut = false;
    connection->checkForTimeout = true;
    while (stillConnecting(*connection)) {
        platform::waitEvents(ConnectPollMs);
    }
    connection->checkForTimeout = false;
    if (connection->state() == SocketState::Connected) {
        return connection->connectionID;
    }
    if (SocketControl* control = connection->sck()) {
        control->close();
    }
    return maintain && inTable(connection) ? connection->connectionID : std::string();
}

}  // namespace

std::shared_ptr<clsSocket> newSocket() {
    return guarded("", std::shared_ptr<clsSocket>(), [] {
        LibraryState& lib = library();
        SocketHost& host = socketHost();
        const SessionPtr own = requireCurrentSession();
        purgeClosedConnections(lib);
        SocketControl& element = freeElement(host, lib);
        auto connection =
            std::make_shared<clsSocket>(own, newID(), element, lib.connectionServices);
        element.tag = connection->connectionID;
        element.setLocalPort(0);
        lib.connectionTable.add(connection->connectionID, connection);
        return connection;
    });
}

bool ListenOnPort(int32_t port) {
    return guarded("", false, [port] {
        LibraryState& lib = library();
        SocketHost& host = socketHost();
        const SessionPtr own = requireCurrentSession();
        if (port < 0 || port > 65535) {
            throw platform::RuntimeError(platform::sockerr::InvalidPort,
                                         platform::socketErrorText(platform::sockerr::InvalidPort));
        }
        SocketControl* chosen = nullptr;
        for (size_t index = 0; index < host.sckListen.count(); ++index) {
            SocketControl& element = host.sckListen[index];
            if (element.state() == SocketState::Closed) {
                chosen = chosen != nullptr ? chosen : &element;
            } else if (element.localPort() == port) {
                throw platform::RuntimeError(code::ListenPortInUse, "Listen port already in use");
            }
        }
        SocketControl& element = chosen != nullptr ? *chosen : host.loadListenerElement();
        const auto slot = static_cast<size_t>(element.index());
        if (lib.listenerSessions.size() <= slot) {
            lib.listenerSessions.resize(slot + 1);
        }
        lib.listenerSessions[slot] = own;
        element.setLocalPort(port);
        element.listen();
        if (element.state() != SocketState::Listening) {
            return false;
        }
        own->listening = true;
        return true;
    });
}

ConnectTarget splitAddress(std::string_view address, int32_t defaultPort) {
    const size_t colon = address.rfind(':');
    if (colon == std::string_view::npos) {
        return {std::string(address), defaultPort};
    }
    const std::string_view portText = address.substr(colon + 1);
    // At most five digits, so the conversion cannot overflow.
    const bool valid = allDigits(portText) && portText.size() <= 5;
    const int32_t port = valid ? toInt32(portText) : 0;
    if (port < 1 || port > 65535) {
        throw platform::RuntimeError(platform::rt::TypeMismatch);
    }
    return {std::string(address.substr(0, colon)), port};
}

std::string connectTo(const std::string& node, bool isNodeID, bool maintain,
                      std::shared_ptr<clsSocket> connection, bool async, bool reuse) {
    return guarded("", std::string(), [&]() -> std::string {
        const SessionPtr own = requireCurrentSession();
        const std::string address = isNodeID ? knownAddress(node) : node;
        if (trimBlanks(address).empty()) {
            return {};
        }
        if (reuse) {
            if (const std::shared_ptr<clsSocket> existing = reusableConnection(own, address)) {
                existing->Maintain = existing->Maintain || maintain;
                return existing->connectionID;
            }
        }
        const bool fresh = !connection;
        if (fresh) {
            connection = newSocket();
            if (!connection) {
                return {};
            }
            // A reconnect keeps the text the caller first gave, so that the
            // caller's address still finds this connection after its
            // address has been rewritten.
            connection->originalAddress = address;
        }
        connection->Maintain = maintain;
        connection->Address = address;
        startConnect(*connection, splitAddress(address, own->listenPort));
        if (async) {
            return {};
        }
        return waitForConnect(own, connection, maintain);
    });
}

void reconnect(const std::shared_ptr<clsSocket>& connection) {
    guarded("", [&connection] {
        if (!connection || connection->sck() == nullptr || !inTable(connection)) {
            return;
        }
        const int64_t now = platform::tickCount();
        if (!connection->backoff.due(now)) {
            return;  // a later pass of the connection timer tries again
        }
        CurrentSessionGuard restore;
        if (!restore.switchTo(connection->session)) {
            return;
        }
        connection->backoff.attempted(now);
        connectTo(connection->Address, false, true, connection, true, false);
    });
}

void sckListen_ConnectionRequest(int listenerIndex, int64_t requestId) {
    guarded("", [listenerIndex, requestId] {
        LibraryState& lib = library();
        SocketControl& listener = socketHost().sckListen[static_cast<size_t>(listenerIndex)];
        const SessionHandle handle = lib.listenerSessions.at(static_cast<size_t>(listenerIndex));
        CurrentSessionGuard restore;
        if (!restore.switchTo(handle)) {
            return;
        }
        const std::string peerIp = listener.remoteHostIP();
        std::string sourceIP = peerIp;
        bool cancel = false;
        if (!raiseConnectionReq(SessionTable::live(handle), sourceIP, cancel) || cancel) {
            return;
        }
        // The handler may have waited: the listener may have closed, or its
        // node stopped, meanwhile.
        const SessionPtr own = SessionTable::live(handle);
        if (!own || own->shuttingDown || own->disconnecting ||
            listener.state() != SocketState::Listening ||
            lib.listenerSessions.at(static_cast<size_t>(listenerIndex)).lock() != own ||
            !restore.switchTo(handle)) {
            return;
        }
        const std::shared_ptr<clsSocket> connection = newSocket();
        if (!connection) {
            return;
        }
        connection->sck()->accept(requestId);
        connection->isConnected = true;
        std::string estabIP = peerIp;
        enmConMode mode = mode_Incoming;
        std::string connectionID = connection->connectionID;
        if (raiseConnectionEstab(own, estabIP, mode, connectionID) && restore.switchTo(handle)) {
            updateConnectedState();
        }
    });
}

void markTimedOutConnects() {
    const int64_t now = platform::tickCount();
    for (const std::shared_ptr<clsSocket>& connection : library().connectionTable.snapshot()) {
        if (connection->checkForTimeout &&
            now - connection->connectionStarted > connection->connectionTimeout) {
            connection->timedOut = true;
        }
    }
}

void closeStalledConnections() {
    const int64_t now = platform::tickCount();
    for (const std::shared_ptr<clsSocket>& connection : library().connectionTable.snapshot()) {
        connection->closeIfStalled(now);
    }
    library().headerBudget.closeOverdue(now);
}

void reconnectMaintainedConnections() {
    for (const std::shared_ptr<clsSocket>& connection : library().connectionTable.snapshot()) {
        if (connection->Maintain && !connection->checkForTimeout && isDown(connection->state()) &&
            inTable(connection)) {
            reconnect(connection);
        }
    }
}

}  // namespace qel
