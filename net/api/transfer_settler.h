#pragma once

#include "platform/timer.h"

// Looks at the running transfers of every node of the process from the event
// loop, every few hundred ms and soon after a connection that a transfer
// rode has closed (never inside the operation that closed it): interrupted
// senders go on or give up, senders that waited too long for a confirmation
// give up, and receivers whose sender stayed unreachable hear of it. With
// no sender running and no receiver cut off, it sleeps until a transfer
// starts or a connection closes under one.
namespace qel {

class TransferSettler {
  public:
    TransferSettler();
    TransferSettler(const TransferSettler&) = delete;
    TransferSettler& operator=(const TransferSettler&) = delete;

    // Looks at the transfers as soon as the event loop runs.
    void settleSoon();
    // A transfer has started: looks at the transfers every few hundred ms.
    void watch();
    // Whether it wakes to look at the transfers.
    bool watching() const { return timer_.enabled(); }

  private:
    void tick();

    platform::Timer timer_;
};

}  // namespace qel
