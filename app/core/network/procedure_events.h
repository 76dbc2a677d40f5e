#pragma once

#include "qellib/rpc.h"

#include <functional>
#include <string>

namespace tornel {

// The events of one remote-procedure object, handed on to the part of the
// program that owns its procedures (a handler left empty drops the event).
class ProcedureEvents : public qel::cQELRPCEvents {
  public:
    using CallHandler = std::function<void(std::string& ProcName, qel::Variant& Params,
                                           std::string& reqID, std::string& nodeID, bool& SendOK)>;
    using ReturnHandler = std::function<void(std::string& ProcName, qel::Variant& Params,
                                             std::string& reqID, std::string& nodeID)>;

    CallHandler onCall;
    ReturnHandler onReturn;

    void RemoteProcCall(std::string& ProcName, qel::Variant& Params, std::string& reqID,
                        std::string& nodeID, bool& SendOK) override {
        if (onCall) {
            onCall(ProcName, Params, reqID, nodeID, SendOK);
        }
    }
    void RemoteProcReturn(std::string& ProcName, qel::Variant& Params, std::string& reqID,
                          std::string& nodeID) override {
        if (onReturn) {
            onReturn(ProcName, Params, reqID, nodeID);
        }
    }
};

}  // namespace tornel
