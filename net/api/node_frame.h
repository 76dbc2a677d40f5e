#pragma once

#include "guarded.h"
#include "session.h"

#include <string_view>
#include <utility>

// The frame every public operation of a node and its companion objects
// shares: make the node's session current (a node that has gone reports the
// failed switch and does nothing), do the work, report whatever escapes with
// the operation's name as the source, and make the session that was current
// before current again.
namespace qel {

// Reports that the session of a shut-down node cannot be switched to.
void reportGoneSession();

template <class T, class Body>
T publicOperation(SessionHandle own, std::string_view source, T fallback, Body&& body) {
    const CurrentSessionGuard restore;
    const SessionPtr session = SessionTable::live(own);
    if (!session) {
        reportGoneSession();
        return fallback;
    }
    if (!switchSession(own)) {
        return fallback;
    }
    try {
        return body(session);
    } catch (...) {
        // Waits inside the work may have left another node current.
        switchSession(own);
        reportCaughtError(source);
        return fallback;
    }
}

template <class Body>
void publicOperation(SessionHandle own, std::string_view source, Body&& body) {
    publicOperation(std::move(own), source, true, [&body](const SessionPtr& session) {
        body(session);
        return true;
    });
}

}  // namespace qel
