#pragma once

#include "dispatch_table.h"

namespace qel {

// Adds the packet methods of the node services (browsing, file transfer,
// remote procedure calls, user accounts, searches) to the methods the nodes answer.
void addServiceMethods(DispatchTable& table);

}  // namespace qel
