#include "service_methods.h"

#include "rpc_packets.h"
#include "user_packets.h"

namespace qel {

void addServiceMethods(DispatchTable& table) {
    addRPCMethods(table);
    addUserMethods(table);
}

}  // namespace qel
