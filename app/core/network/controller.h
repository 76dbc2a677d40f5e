#pragma once

#include "qellib/events.h"

#include <memory>

namespace qel {
class cQEL;
class cQELRPC;
}  // namespace qel

namespace tornel {

// The controller: it holds the node session and the four remote-procedure
// objects of the program and receives their events.
class cMain : public qel::cQELEvents {
  public:
    std::shared_ptr<qel::cQEL> QEL;
    std::shared_ptr<qel::cQELRPC> Update;      // "GetVersion", "GetEXE"
    std::shared_ptr<qel::cQELRPC> authGiven;   // "AuthGiven"
    std::shared_ptr<qel::cQELRPC> Push;        // "Push"
    std::shared_ptr<qel::cQELRPC> userTyping;  // "UserTyping"
};

}  // namespace tornel
