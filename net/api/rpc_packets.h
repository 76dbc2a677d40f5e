#pragma once

#include "dispatch_table.h"
#include "packet.h"

#include "qellib/variant.h"

#include <string>

// The two packets of remote procedure calls: RPC carries a call, RPCRETURN
// its answer, paired by request ID. Each operation works in the current
// session and reports its own errors with an empty source.
namespace qel {

// "Params" as the call's fields: a string array as "Params-Min",
// "Params-Max" and "Params0"...; any other value as its text in "Params".
// A value without a text form, or holding CR LF, is reported and left out
// (in an array only such an element).
void writeParams(clsPacket& pkt, const Variant& params);
// The parameters a packet carries: a string array, else the text of
// "Params", else "". An array whose bounds the packet cannot hold is
// reported and read as "".
Variant readParams(const clsPacket& pkt);
// The name of an arriving call: its "Name", else its resource.
std::string procedureName(const clsPacket& pkt);

// Sends the call `reqID` to `destination` (a node ID or "BROADCAST").
void sendRPC(const std::string& procName, const std::string& reqID, const std::string& destination,
             const Variant& params);
// Answers the incoming call `reqID` with the name of the binding that holds
// it and forgets it; an unknown request ID sends nothing.
void sendRPCReturn(const std::string& reqID, const Variant& params);

// A call arrived from `source`: raises RemoteProcCall on the first incoming
// binding of the name (answering "OK" when the handler sets SendOK), or
// answers "RPC_UNBOUND" when there is none.
void handleRPC(const std::string& procName, const std::string& reqID, const Variant& params,
               const std::string& source);
// An answer arrived from `source`: stored for a blocking call, else raised
// as RemoteProcReturn with `source` as the answering node. Unknown request
// IDs are ignored.
void handleRPCReturn(const std::string& reqID, const Variant& params, const std::string& source);

// Adds RPC and RPCRETURN to the methods the nodes answer.
void addRPCMethods(DispatchTable& table);

}  // namespace qel
