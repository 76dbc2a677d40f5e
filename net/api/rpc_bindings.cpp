#include "rpc_bindings.h"

#include "error_codes.h"
#include "error_log.h"

#include "platform/ascii.h"

namespace qel {

int32_t findRPCBinding(const Session& session, std::string_view procName, enmRPCType reqType) {
    for (size_t i = 1; i < session.rpcBindings.size(); ++i) {
        const typRPCBinding& binding = session.rpcBindings[i];
        if (binding.ReqType == reqType &&
            platform::asciiEqualsIgnoreCase(binding.ProcName, procName)) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

std::optional<RPCPendingPlace> findRPCPending(const Session& session, std::string_view reqID) {
    for (size_t b = 1; b < session.rpcBindings.size(); ++b) {
        const std::vector<typRPCPending>& pending = session.rpcBindings[b].pending;
        for (size_t e = 1; e < pending.size(); ++e) {
            if (pending[e].ReqID == reqID) {
                return RPCPendingPlace{b, e};
            }
        }
    }
    return std::nullopt;
}

bool newRPCReq(Session& session, const std::string& procName, const std::string& nodeID,
               const std::string& reqID, enmRPCType reqType, bool blocking, bool report) {
    const int32_t index = findRPCBinding(session, procName, reqType);
    if (index < 0) {
        if (report) {
            logError(code::NotInitialised, "Outgoing RPC '" + procName + "' not bound");
        }
        return false;
    }
    std::vector<typRPCPending>& pending = session.rpcBindings[static_cast<size_t>(index)].pending;
    if (pending.empty()) {
        pending.resize(1);
    }
    if (pending.size() > MaxPendingRPCs) {
        pending.erase(pending.begin() + 1);
    }
    typRPCPending& entry = pending.emplace_back();
    entry.ReqID = reqID;
    entry.nodeID = nodeID;
    entry.blocking = blocking;
    return true;
}

void removeRPCPending(Session& session, const RPCPendingPlace& place) {
    std::vector<typRPCPending>& pending = bindingAt(session, place).pending;
    pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(place.entry));
}

typRPCBinding& bindingAt(Session& session, const RPCPendingPlace& place) {
    return session.rpcBindings.at(place.binding);
}

typRPCPending& pendingAt(Session& session, const RPCPendingPlace& place) {
    return bindingAt(session, place).pending.at(place.entry);
}

}  // namespace qel
