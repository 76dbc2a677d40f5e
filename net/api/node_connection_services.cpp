#include "node_connection_services.h"

#include "file_transfer.h"

namespace qel {

void NodeConnectionServices::fileChunkWritten(Session& session, const clsPendingPkt& chunk,
                                              const std::shared_ptr<clsSocket>& connection) {
    qel::fileChunkWritten(session, chunk, connection);
}

void NodeConnectionServices::connectionClosed(Session& session,
                                              const std::shared_ptr<clsSocket>& connection) {
    if (transfersLostConnection(session, connection)) {
        watch_.settleSoon();
    }
}

}  // namespace qel
