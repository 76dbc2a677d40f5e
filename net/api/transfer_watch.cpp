#include "transfer_watch.h"

#include "file_transfer.h"
#include "library_state.h"
#include "session.h"
#include "transfer_limits.h"

namespace qel {

TransferWatch::TransferWatch() {
    timer_.setHandler([this] { tick(); });
    timer_.setInterval(transfer_limits::WatchIntervalMs);
    timer_.setEnabled(true);
}

void TransferWatch::settleSoon() {
    timer_.setInterval(1);
}

void TransferWatch::tick() {
    timer_.setInterval(transfer_limits::WatchIntervalMs);
    for (const SessionPtr& session : library().sessions.snapshot()) {
        const CurrentSessionGuard restore;
        if (SessionTable::live(session) && switchSession(SessionHandle(session))) {
            settleTransfers(session);
        }
    }
}

}  // namespace qel
