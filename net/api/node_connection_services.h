#pragma once

#include "core_connection_services.h"
#include "transfer_settler.h"

namespace qel {

// The core's connection services with the node's transfer engine: a written
// FILE chunk records its upload's progress and paces the next chunk, and a
// closed connection settles the transfers that rode it.
class NodeConnectionServices final : public CoreConnectionServices {
  public:
    void fileChunkWritten(Session& session, const clsPendingPkt& chunk,
                          const std::shared_ptr<clsSocket>& connection) override;
    void connectionClosed(Session& session, const std::shared_ptr<clsSocket>& connection) override;
    void transferStarted() override { watch_.watch(); }

    const TransferSettler& watch() const { return watch_; }

  private:
    TransferSettler watch_;
};

}  // namespace qel
