#pragma once

#include "library_state.h"
#include "session.h"

#include "qellib/events.h"

#include <memory>
#include <optional>
#include <string>

// Raise the events of the cQEL object that owns a session. Each makes the
// session current for its handler and restores the previously current session
// afterwards; an exception escaping the handler is ignored, and what the
// handler wrote into the parameters is what the caller reads back. A session
// without an owner (or no longer in the table) raises nothing. Each returns
// whether the session is still in the table afterwards: a handler may have
// shut its node down.
namespace qel {

// Calls `call` on `sink`, when there is one, with the session current and the
// previously current session restored afterwards; what escapes the handler is
// ignored. Whether the session is still in the table afterwards.
template <class Sink, class Call>
bool deliverEvent(const SessionPtr& session, const std::shared_ptr<Sink>& sink, Call&& call) {
    if (!session || !SessionTable::live(session)) {
        return false;
    }
    if (sink) {
        const CurrentSessionGuard restore;
        // Set directly, never through switchSession: that one reports its
        // failures (a library not set up), a report raises Error, and Error
        // comes back here, so each report would be delivered once per level
        // of error nesting.
        library().sessions.setCurrent(session);
        try {
            call(*sink);
        } catch (...) {
            // A failing handler does not stop the library.
        }
    }
    return SessionTable::live(session) != nullptr;
}

bool raiseMessageReceived(const SessionPtr& session, std::string& strMessage, std::string& strType,
                          std::string& nodeID);
bool raiseError(const SessionPtr& session, std::string& strMessage, std::string& nodeID);
// `source` is the node that sent the FILE, none for an event the node raises
// on its own; the application can read it while its handler runs.
bool raiseFileReceived(const SessionPtr& session, std::string& reqID, std::string& strData,
                       std::shared_ptr<cXRange>& Range, enmFileStatus& fileStatus,
                       Variant& Metadata, std::optional<std::string> source = std::nullopt);
// Whether the application expects a FILE of `reqID` from `nodeID` (True
// without a handler, or when the node is gone).
bool raiseFileExpected(const SessionPtr& session, std::string reqID, std::string nodeID);
bool raiseFileRequest(const SessionPtr& session, std::string& Resource, std::string& fullPath,
                      std::string& nodeID, std::string& reqID, std::shared_ptr<cXRange>& Range,
                      Variant& Metadata, bool& TakeNoAction);
bool raiseConnectionReq(const SessionPtr& session, std::string& SourceIP, bool& Cancel);
bool raiseConnectionEstab(const SessionPtr& session, std::string& SourceIP,
                          enmConMode& connectionMode, std::string& connectionID);
bool raiseConnectionClosed(const SessionPtr& session, std::string& SourceIP, std::string& nodeID,
                           std::string& connectionID);
bool raiseNodeInfo(const SessionPtr& session, typNodeInfo& n);

}  // namespace qel
