#pragma once

#include "dispatch_table.h"

// The packet methods the core answers itself: CONFIRM, WHOIS, INFO, PING,
// PONG and MSG.
namespace qel {

void addCoreMethods(DispatchTable& table);

}  // namespace qel
