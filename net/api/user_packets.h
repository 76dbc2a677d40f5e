#pragma once

#include "dispatch_table.h"

#include <string>

// The packets of user accounts: UPDATEUSER spreads a change of one account,
// USERLIST carries a whole store to be merged, SYNCUSERS asks every node for
// its store, LOGIN asks whether a name and password are valid and
// LOGINRESULT answers it. Each operation works in the current session and
// reports its own errors with an empty source.
namespace qel {

class cSettings;

// The current session's store.
cSettings& userStore();

// Sends the current session's store to `destination`.
void sendUserList(const std::string& destination);

// Adds the five methods to the methods the nodes answer.
void addUserMethods(DispatchTable& table);

}  // namespace qel
