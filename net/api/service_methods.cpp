#include "service_methods.h"

#include "file_services.h"
#include "file_transfer.h"
#include "rpc_packets.h"
#include "user_packets.h"

namespace qel {

void addServiceMethods(DispatchTable& table) {
    addFileServiceMethods(table);
    addFileTransferMethods(table);
    addRPCMethods(table);
    addUserMethods(table);
}

}  // namespace qel
