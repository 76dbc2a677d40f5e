#pragma once

#include "qellib/types.h"

#include <memory>
#include <string>

namespace qel {

struct Session;

// The user accounts of the node that made this object
// (cQEL::newUsersInstance). Every node keeps a store of accounts (name,
// password, the node that set it, when), answers log-ins from the other
// nodes and takes in their changes and lists. Passwords travel and are kept
// in clear text: log-in is a convenience between friendly nodes, not a
// security boundary.
//
// Each operation makes the node's session current for its work and
// restores the one current before; after the node has shut down every
// operation returns its default. Failures are reported through the node's
// Error event. The class raises no events.
class cQELUsers {
  public:
    // Sets (user_Update) or deletes (user_Remove) the account here and tells
    // every node. A name holding "<", ">", CR or LF, or named "Common", is
    // refused (error 5).
    void updateUser(const std::string& userName, const std::string& Password = {},
                    enmUserOp Operation = user_Update);
    // Asks every node whether the name and password are valid and waits up
    // to the node's Timeout for the first answer. True, and the node's
    // active user becomes `userName`, when it is "OK".
    bool loginAs(const std::string& userName, const std::string& Password = {});
    // Replaces the store with a settings text; the store as settings text.
    void setUserXML(const std::string& userXML);
    std::string getUserXML();
    // Sends the store to every node, then asks every node for its own; each
    // side keeps the newer of two accounts.
    void syncUserList();

  private:
    friend class cQEL;
    std::weak_ptr<Session> session_;
};

}  // namespace qel
