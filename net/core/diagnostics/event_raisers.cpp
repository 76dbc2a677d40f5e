#include "event_raisers.h"

#include "platform/scoped_assignment.h"

#include <utility>

namespace qel {
namespace {

// Held for the call: the handler may drop the application's last reference.
template <class Call>
bool deliver(const SessionPtr& session, Call&& call) {
    return deliverEvent(session, session ? session->owner.lock() : nullptr,
                        std::forward<Call>(call));
}

}  // namespace

bool raiseMessageReceived(const SessionPtr& session, std::string& strMessage, std::string& strType,
                          std::string& nodeID) {
    return deliver(session,
                   [&](cQELEvents& sink) { sink.MessageReceived(strMessage, strType, nodeID); });
}

bool raiseError(const SessionPtr& session, std::string& strMessage, std::string& nodeID) {
    return deliver(session, [&](cQELEvents& sink) { sink.Error(strMessage, nodeID); });
}

bool raiseFileReceived(const SessionPtr& session, std::string& reqID, std::string& strData,
                       std::shared_ptr<cXRange>& Range, enmFileStatus& fileStatus,
                       Variant& Metadata, std::optional<std::string> source) {
    if (!session) {
        return false;
    }
    // Restored afterwards: the handler's waits may raise the event again, nested.
    const platform::ScopedAssignment from(session->fileSource, std::move(source));
    return deliver(session, [&](cQELEvents& sink) {
        sink.FileReceived(reqID, strData, Range, fileStatus, Metadata);
    });
}

bool raiseFileExpected(const SessionPtr& session, std::string reqID, std::string nodeID) {
    bool Expected = true;
    deliver(session, [&](cQELEvents& sink) { sink.FileExpected(reqID, nodeID, Expected); });
    return Expected;
}

bool raiseFileRequest(const SessionPtr& session, std::string& Resource, std::string& fullPath,
                      std::string& nodeID, std::string& reqID, std::shared_ptr<cXRange>& Range,
                      Variant& Metadata, bool& TakeNoAction) {
    return deliver(session, [&](cQELEvents& sink) {
        sink.FileRequest(Resource, fullPath, nodeID, reqID, Range, Metadata, TakeNoAction);
    });
}

bool raiseConnectionReq(const SessionPtr& session, std::string& SourceIP, bool& Cancel) {
    return deliver(session, [&](cQELEvents& sink) { sink.ConnectionReq(SourceIP, Cancel); });
}

bool raiseConnectionEstab(const SessionPtr& session, std::string& SourceIP,
                          enmConMode& connectionMode, std::string& connectionID) {
    return deliver(session, [&](cQELEvents& sink) {
        sink.connectionEstab(SourceIP, connectionMode, connectionID);
    });
}

bool raiseConnectionClosed(const SessionPtr& session, std::string& SourceIP, std::string& nodeID,
                           std::string& connectionID) {
    return deliver(
        session, [&](cQELEvents& sink) { sink.connectionClosed(SourceIP, nodeID, connectionID); });
}

bool raiseNodeInfo(const SessionPtr& session, typNodeInfo& n) {
    return deliver(session, [&](cQELEvents& sink) { sink.nodeInfo(n); });
}

}  // namespace qel
