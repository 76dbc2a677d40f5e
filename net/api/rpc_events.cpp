#include "rpc_events.h"

#include "event_raisers.h"

#include "qellib/rpc.h"

namespace qel {

// The sink is held for the call: the handler may drop the application's last
// reference.

bool RPCEventRaiser::RemoteProcCall(const SessionPtr& session,
                                    const std::shared_ptr<cQELRPC>& owner, std::string& ProcName,
                                    Variant& Params, std::string& reqID, std::string& nodeID,
                                    bool& SendOK) {
    return deliverEvent(session, owner ? owner->events_.lock() : nullptr,
                        [&](cQELRPCEvents& events) {
                            events.RemoteProcCall(ProcName, Params, reqID, nodeID, SendOK);
                        });
}

bool RPCEventRaiser::RemoteProcReturn(const SessionPtr& session,
                                      const std::shared_ptr<cQELRPC>& owner, std::string& ProcName,
                                      Variant& Params, std::string& reqID, std::string& nodeID) {
    return deliverEvent(
        session, owner ? owner->events_.lock() : nullptr,
        [&](cQELRPCEvents& events) { events.RemoteProcReturn(ProcName, Params, reqID, nodeID); });
}

}  // namespace qel
