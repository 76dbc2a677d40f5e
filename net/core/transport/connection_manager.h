#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Opening, reusing and reconnecting the connections of the process-wide
// connection table, and the listeners. Every operation reports its own errors
// (with an empty source) and then gives its default result.
namespace qel {

class clsSocket;

// A new connection of the current session, already in the connection table,
// on a free element of the host's `sck` array (a new element when none is
// free). First purges every connection that is closed or failed, not
// maintained and not waited on by a blocking connect: each leaves the table
// and is detached from its element, whose tag is cleared. Null on failure.
std::shared_ptr<clsSocket> newSocket();

// Listens on `port` (0: any free port) for the current session. An open
// listener on that port already is reported as "Listen port already in use".
bool ListenOnPort(int32_t port);

// Where an address goes: the host before the last ":" and the port after it,
// or the whole address and `defaultPort`.
struct ConnectTarget {
    std::string host;
    int32_t port = 0;
};
// Throws RuntimeError 13 (type mismatch) for a port that is not 1-65535 in
// decimal digits.
ConnectTarget splitAddress(std::string_view address, int32_t defaultPort);

// Connects the current session to `node`: an address, or with `isNodeID` a
// node whose address is known. With `reuse`, a connection of the session to
// that address that is connected or maintained is returned instead (and
// becomes maintained when `maintain` asks for it). Otherwise `connection` (a
// new one when null) connects. Asynchronous: gives "" at once (or the reused
// connection's ID). Blocking: waits until the connect completes, fails, is
// closed, or the session's `Timeout` has passed, and gives the connection ID
// when it connected, or when it is maintained (it is retried later), else "".
std::string connectTo(const std::string& node, bool isNodeID, bool maintain,
                      std::shared_ptr<clsSocket> connection, bool async, bool reuse);

// Connects a maintained connection again, asynchronously, to its `Address`,
// in its own session, once its back-off allows; nothing when that session is
// gone or the connection has left the table.
void reconnect(const std::shared_ptr<clsSocket>& connection);

// A peer asks listener `listenerIndex` to connect: its session hears the
// ConnectionReq event and, unless the handler cancels, the connection is
// accepted as a connection of that session (connectionEstab, mode_Incoming).
// Not accepted when the listener was closed meanwhile, or its session has
// gone, is shutting down or disconnecting.
void sckListen_ConnectionRequest(int listenerIndex, int64_t requestId);

// The connection timer's passes: blocking connects that have run longer than
// their time-out are marked timed out; maintained connections that are closed
// or failed (and not waited on) are reconnected, each in its own session.
void markTimedOutConnects();
// Closes, as if by their peers, the connections whose writes have stalled
// and those whose packet header has not ended in time.
void closeStalledConnections();
void reconnectMaintainedConnections();

}  // namespace qel
