#pragma once

#include "qellib/types.h"
#include "qellib/variant.h"

#include <memory>
#include <string>

namespace qel {

struct Session;
class RPCEventRaiser;

// Receives the events of a cQELRPC object. Every parameter is passed by
// reference; the library reads back only `SendOK`. An exception escaping a
// handler is ignored. Every method has an empty default.
class cQELRPCEvents {
  public:
    virtual ~cQELRPCEvents() = default;

    // A call arrived for a name whose first incoming binding is this object's.
    // `ProcName` is the name as the caller sent it, `nodeID` the calling node.
    // Setting `SendOK` answers the call with "OK" once the handler returns;
    // otherwise answer it with returnRemoteProc(reqID, ...).
    virtual void RemoteProcCall(std::string& /*ProcName*/, Variant& /*Params*/,
                                std::string& /*reqID*/, std::string& /*nodeID*/, bool& /*SendOK*/) {
    }
    // The answer to a non-blocking call made through a return binding of this
    // object. `ProcName` is the binding's name, `reqID` the call's request ID
    // and `nodeID` the node that answered (every node that answers a call to
    // "BROADCAST" raises one event).
    virtual void RemoteProcReturn(std::string& /*ProcName*/, Variant& /*Params*/,
                                  std::string& /*reqID*/, std::string& /*nodeID*/) {}
};

// Named procedure calls between the applications of two nodes, for the node
// that made this object (cQEL::newRPCInstance). The library carries names
// and parameters without interpreting them: parameters travel as text, or as
// an array of strings from element 0, and arrive as a string, a string
// array or "" (a number 5 arrives as "5").
//
// A name is bound for incoming calls (RPC_INCOMING) or for the answers to
// this node's own calls (RPC_RETURN); bindings may be made before the node's
// Initialise and keep this object alive until they are unbound or the node
// shuts down. Names are found without regard to ASCII case, the first
// binding of a name winning; unbindRPC compares names exactly. A call that
// arrives for a name without an incoming binding is answered "RPC_UNBOUND".
//
// Each operation makes the node's session current for its work and restores
// the one current before; after the node has shut down every operation
// returns its default. Failures are reported through the node's Error event.
class cQELRPC : public std::enable_shared_from_this<cQELRPC> {
  public:
    void bindRPC(const std::string& ProcName, enmRPCType ReqType);
    void unbindRPC(const std::string& ProcName, enmRPCType ReqType);
    // Sends a call to a node, or to "BROADCAST" for every node, and returns
    // its request ID; the answers arrive as RemoteProcReturn events. "-1",
    // with an Error event and nothing sent, when `ProcName` has no return
    // binding.
    std::string callRemoteProc(const std::string& nodeID, const std::string& ProcName,
                               const Variant& Params = std::string());
    // Sends a call and waits, letting events run, for its first answer: its
    // parameters, or Empty when none came within the node's RPC time-out
    // (10 s) or the node shut down meanwhile.
    Variant callRemoteProcBlocking(const std::string& nodeID, const std::string& ProcName,
                                   const Variant& Params = std::string());
    // bindRPC(ProcName, RPC_RETURN), callRemoteProcBlocking, then
    // unbindRPC(ProcName, RPC_RETURN).
    Variant quickRPCBlocking(const std::string& nodeID, const std::string& ProcName,
                             const Variant& Params = std::string());
    // Answers the incoming call `reqID`; an unknown or already answered
    // request is ignored.
    void returnRemoteProc(const std::string& reqID, const Variant& Params = std::string());

  private:
    friend class cQEL;
    friend class RPCEventRaiser;

    std::weak_ptr<Session> session_;
    std::weak_ptr<cQELRPCEvents> events_;
};

}  // namespace qel
