#include "qellib/rpc.h"

#include "identifiers.h"
#include "node_frame.h"
#include "rpc_bindings.h"
#include "rpc_packets.h"
#include "session_wait.h"

#include <utility>

// The members of cQELRPC. They report their failures without a source name.
namespace qel {
namespace {

constexpr int64_t AnswerPollMs = 10;
constexpr std::string_view Broadcast = "BROADCAST";

// Waits, letting events run, until the blocking call `reqID` has its answer,
// the node's RPC time-out has passed or the node shuts down; then takes the
// answer and forgets the call unless it went to every node. Empty when the
// node has gone or no answer came.
Variant awaitAnswer(const SessionHandle& handle, const std::string& reqID) {
    const SessionPtr own = SessionTable::live(handle);
    if (!own) {
        return Variant();
    }
    const bool inSession = waitInSession(handle, own->rpcTimeout, AnswerPollMs, [&] {
        if (own->shuttingDown) {
            return true;
        }
        const std::optional<RPCPendingPlace> place = findRPCPending(*own, reqID);
        return place && pendingAt(*own, *place).done;
    });
    if (!inSession) {
        return Variant();
    }
    const std::optional<RPCPendingPlace> place = findRPCPending(*own, reqID);
    if (!place) {
        return Variant();
    }
    Variant result = pendingAt(*own, *place).result;
    if (pendingAt(*own, *place).nodeID != Broadcast) {
        removeRPCPending(*own, *place);
    }
    return result;
}

}  // namespace

void cQELRPC::bindRPC(const std::string& ProcName, enmRPCType ReqType) {
    publicOperation(session_, "", [&](const SessionPtr& own) {
        typRPCBinding binding;
        binding.ProcName = ProcName;
        binding.ReqType = ReqType;
        binding.owner = shared_from_this();
        binding.pending.resize(1);
        own->rpcBindings.push_back(std::move(binding));
    });
}

void cQELRPC::unbindRPC(const std::string& ProcName, enmRPCType ReqType) {
    publicOperation(session_, "", [&](const SessionPtr& own) {
        std::vector<typRPCBinding>& bindings = own->rpcBindings;
        for (auto it = bindings.begin() + 1; it < bindings.end(); ++it) {
            if (it->ProcName == ProcName && it->ReqType == ReqType) {
                // Released once it is out of the table: releasing may end this object.
                const typRPCBinding removed = std::move(*it);
                bindings.erase(it);
                return;
            }
        }
    });
}

std::string cQELRPC::callRemoteProc(const std::string& nodeID, const std::string& ProcName,
                                    const Variant& Params) {
    return publicOperation(session_, "", std::string(), [&](const SessionPtr& own) {
        std::string reqID = newID();
        if (!newRPCReq(*own, ProcName, nodeID, reqID, RPC_RETURN, false, true)) {
            return std::string("-1");
        }
        sendRPC(ProcName, reqID, nodeID, Params);
        return reqID;
    });
}

Variant cQELRPC::callRemoteProcBlocking(const std::string& nodeID, const std::string& ProcName,
                                        const Variant& Params) {
    return publicOperation(session_, "", Variant(), [&](const SessionPtr& own) {
        const std::string reqID = newID();
        if (!newRPCReq(*own, ProcName, nodeID, reqID, RPC_RETURN, true, true)) {
            return Variant();
        }
        sendRPC(ProcName, reqID, nodeID, Params);
        return awaitAnswer(session_, reqID);
    });
}

Variant cQELRPC::quickRPCBlocking(const std::string& nodeID, const std::string& ProcName,
                                  const Variant& Params) {
    // Held for the call: the closing unbind may release the binding's reference.
    const std::shared_ptr<cQELRPC> self = shared_from_this();
    bindRPC(ProcName, RPC_RETURN);
    Variant result = callRemoteProcBlocking(nodeID, ProcName, Params);
    unbindRPC(ProcName, RPC_RETURN);
    return result;
}

void cQELRPC::returnRemoteProc(const std::string& reqID, const Variant& Params) {
    publicOperation(session_, "", [&](const SessionPtr&) { sendRPCReturn(reqID, Params); });
}

}  // namespace qel
