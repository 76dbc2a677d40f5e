#include "service_methods.h"

#include "rpc_packets.h"

namespace qel {

void addServiceMethods(DispatchTable& table) {
    addRPCMethods(table);
}

}  // namespace qel
