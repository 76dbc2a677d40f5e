#pragma once

#include "qellib/types.h"
#include "qellib/variant.h"
#include "qellib/x_range.h"

#include <memory>
#include <string>

namespace qel {

// Receives the events of a cQEL node. Every parameter is passed by reference:
// the library reads back `Cancel` of ConnectionReq, `Expected` of
// FileExpected, and `TakeNoAction`, `fullPath`, `Range`, `nodeID` and `reqID`
// of FileRequest. A range that was
// not given is null. An exception escaping a handler is ignored. Every method
// has an empty default, so a handler overrides only what it needs.
class cQELEvents {
  public:
    virtual ~cQELEvents() = default;

    virtual void MessageReceived(std::string& /*strMessage*/, std::string& /*strType*/,
                                 std::string& /*nodeID*/) {}
    virtual void Error(std::string& /*strMessage*/, std::string& /*nodeID*/) {}
    virtual void FileReceived(std::string& /*reqID*/, std::string& /*strData*/,
                              std::shared_ptr<cXRange>& /*Range*/, enmFileStatus& /*fileStatus*/,
                              Variant& /*Metadata*/) {}
    // A FILE of `reqID` came from `nodeID`: asked before its body is decoded
    // and FileReceived raised. `Expected` comes in True; a handler that
    // knows no transfer of that ID from that node sets it False, and the FILE
    // is dropped without its body being inflated.
    virtual void FileExpected(std::string& /*reqID*/, std::string& /*nodeID*/, bool& /*Expected*/) {
    }
    virtual void FileRequest(std::string& /*Resource*/, std::string& /*fullPath*/,
                             std::string& /*nodeID*/, std::string& /*reqID*/,
                             std::shared_ptr<cXRange>& /*Range*/, Variant& /*Metadata*/,
                             bool& /*TakeNoAction*/) {}
    virtual void ConnectionReq(std::string& /*SourceIP*/, bool& /*Cancel*/) {}
    virtual void connectionEstab(std::string& /*SourceIP*/, enmConMode& /*connectionMode*/,
                                 std::string& /*connectionID*/) {}
    virtual void connectionClosed(std::string& /*SourceIP*/, std::string& /*nodeID*/,
                                  std::string& /*connectionID*/) {}
    virtual void nodeInfo(typNodeInfo& /*n*/) {}
};

}  // namespace qel
