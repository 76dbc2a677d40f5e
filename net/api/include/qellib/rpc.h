#pragma once

#include <memory>

namespace qel {

struct Session;

// Remote procedure calls of the node that made this object
// (cQEL::newRPCInstance). So far it only knows its node.
class cQELRPC {
  private:
    friend class cQEL;
    std::weak_ptr<Session> session_;
};

}  // namespace qel
