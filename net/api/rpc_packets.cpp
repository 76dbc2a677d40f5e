#include "rpc_packets.h"

#include "fields.h"
#include "guarded.h"
#include "rpc_bindings.h"
#include "rpc_events.h"
#include "send_pipeline.h"

#include "platform/runtime_error.h"

#include <utility>

namespace qel {
namespace {

constexpr std::string_view NoNameField = "<NEWVER>";
constexpr std::string_view Broadcast = "BROADCAST";

clsPacket rpcPacket(const char* method, const std::string& procName, const std::string& reqID,
                    const std::string& destination, const Variant& params) {
    clsPacket pkt;
    pkt.Method = method;
    pkt.Resource = procName;
    AddField(pkt, "ReqID", reqID);
    AddField(pkt, "Destination", destination);
    writeParams(pkt, params);
    AddField(pkt, "Name", procName);
    return pkt;
}

void sendRPCPacket(const char* method, const std::string& procName, const std::string& reqID,
                   const std::string& destination, const Variant& params) {
    clsPacket pkt = rpcPacket(method, procName, reqID, destination, params);
    sendPacket(pkt);
}

void onRPC(const clsPacket& pkt, const std::shared_ptr<clsSocket>&, const std::string& strSource) {
    handleRPC(procedureName(pkt), getText(pkt, "ReqID"), readParams(pkt), strSource);
}

void onRPCReturn(const clsPacket& pkt, const std::shared_ptr<clsSocket>&,
                 const std::string& strSource) {
    handleRPCReturn(getText(pkt, "ReqID"), readParams(pkt), strSource);
}

}  // namespace

void writeParams(clsPacket& pkt, const Variant& params) {
    guarded("", [&] {
        if (const auto* array = std::get_if<StringArray>(&params)) {
            AddField(pkt, "Params", *array);
            return;
        }
        const std::optional<std::string> text = isMissing(params) ? std::string() : toText(params);
        if (!text) {
            throw platform::RuntimeError(platform::rt::TypeMismatch);
        }
        AddField(pkt, "Params", *text);
    });
}

Variant readParams(const clsPacket& pkt) {
    Variant params = GetField(pkt, "Params", std::string());
    return isEmpty(params) ? Variant(std::string()) : params;
}

std::string procedureName(const clsPacket& pkt) {
    std::string name = getText(pkt, "Name", NoNameField);
    return name == NoNameField ? pkt.Resource : name;
}

void sendRPC(const std::string& procName, const std::string& reqID, const std::string& destination,
             const Variant& params) {
    sendRPCPacket("RPC", procName, reqID, destination, params);
}

void sendRPCReturn(const std::string& reqID, const Variant& params) {
    guarded("", [&] {
        const SessionPtr own = requireCurrentSession();
        const std::optional<RPCPendingPlace> place = findRPCPending(*own, reqID);
        if (!place) {
            return;
        }
        const std::string procName = bindingAt(*own, *place).ProcName;
        const typRPCPending entry = pendingAt(*own, *place);
        // Forgotten first: sending may let events run that change the table.
        removeRPCPending(*own, *place);
        sendRPCPacket("RPCRETURN", procName, entry.ReqID, entry.nodeID, params);
    });
}

void handleRPC(const std::string& procName, const std::string& reqID, const Variant& params,
               const std::string& source) {
    guarded("", [&] {
        const SessionPtr own = requireCurrentSession();
        if (!newRPCReq(*own, procName, source, reqID, RPC_INCOMING, false, false)) {
            sendRPCPacket("RPCRETURN", procName, reqID, source, std::string("RPC_UNBOUND"));
            return;
        }
        const int32_t index = findRPCBinding(*own, procName, RPC_INCOMING);
        const std::shared_ptr<cQELRPC> owner = own->rpcBindings[static_cast<size_t>(index)].owner;
        std::string name = procName;
        Variant passed = params;
        std::string id = reqID;
        std::string caller = source;
        bool sendOK = false;
        if (!RPCEventRaiser::RemoteProcCall(own, owner, name, passed, id, caller, sendOK)) {
            return;  // the handler shut the node down
        }
        if (sendOK && switchSession(SessionHandle(own))) {
            sendRPCReturn(reqID, std::string("OK"));
        }
    });
}

void handleRPCReturn(const std::string& reqID, const Variant& params, const std::string& source) {
    guarded("", [&] {
        const SessionPtr own = requireCurrentSession();
        const std::optional<RPCPendingPlace> place = findRPCPending(*own, reqID);
        if (!place) {
            return;
        }
        typRPCPending& entry = pendingAt(*own, *place);
        if (entry.blocking) {
            entry.result = params;
            entry.done = true;
            return;
        }
        const bool toEveryNode = entry.nodeID == Broadcast;
        const std::shared_ptr<cQELRPC> owner = bindingAt(*own, *place).owner;
        std::string name = bindingAt(*own, *place).ProcName;
        Variant passed = params;
        std::string id = entry.ReqID;
        std::string answeredBy = source;
        if (!RPCEventRaiser::RemoteProcReturn(own, owner, name, passed, id, answeredBy) ||
            toEveryNode) {
            return;
        }
        // The handler may have changed the table: the entry is looked up anew.
        if (const std::optional<RPCPendingPlace> after = findRPCPending(*own, reqID)) {
            removeRPCPending(*own, *after);
        }
    });
}

void addRPCMethods(DispatchTable& table) {
    table.add("RPC", onRPC);
    table.add("RPCRETURN", onRPCReturn);
}

}  // namespace qel
