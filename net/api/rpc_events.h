#pragma once

#include "session.h"

#include "qellib/variant.h"

#include <memory>
#include <string>

namespace qel {

class cQELRPC;

// Raises the events of a cQELRPC object with its node's session current for
// the handler, restoring the previously current session afterwards. An
// exception escaping the handler is ignored. Each returns whether the
// session is still in the table afterwards: a handler may have shut the node
// down.
class RPCEventRaiser {
  public:
    static bool RemoteProcCall(const SessionPtr& session, const std::shared_ptr<cQELRPC>& owner,
                               std::string& ProcName, Variant& Params, std::string& reqID,
                               std::string& nodeID, bool& SendOK);
    static bool RemoteProcReturn(const SessionPtr& session, const std::shared_ptr<cQELRPC>& owner,
                                 std::string& ProcName, Variant& Params, std::string& reqID,
                                 std::string& nodeID);
};

}  // namespace qel
