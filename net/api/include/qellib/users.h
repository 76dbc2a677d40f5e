#pragma once

#include <memory>

namespace qel {

struct Session;

// The user accounts of the node that made this object
// (cQEL::newUsersInstance). So far it only knows its node.
class cQELUsers {
  private:
    friend class cQEL;
    std::weak_ptr<Session> session_;
};

}  // namespace qel
