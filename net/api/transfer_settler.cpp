#include "transfer_settler.h"

#include "file_transfer.h"
#include "library_state.h"
#include "session.h"
#include "transfer_limits.h"

#include <algorithm>

namespace qel {

namespace {

// Senders to pace and time out, or receivers cut off from their sender.
bool hasTransfersToWatch(const Session& own) {
    return !own.fileSends.empty() ||
           std::any_of(own.runningRequests.begin(), own.runningRequests.end(),
                       [](const auto& entry) { return entry.second.interruptedAt != 0; });
}

}  // namespace

TransferSettler::TransferSettler() {
    timer_.setHandler([this] { tick(); });
    timer_.setInterval(transfer_limits::WatchIntervalMs);
}

void TransferSettler::settleSoon() {
    timer_.setInterval(1);
    timer_.setEnabled(true);
}

void TransferSettler::watch() {
    if (!timer_.enabled()) {
        timer_.setInterval(transfer_limits::WatchIntervalMs);
        timer_.setEnabled(true);
    }
}

void TransferSettler::tick() {
    timer_.setInterval(transfer_limits::WatchIntervalMs);
    bool watching = false;
    for (const SessionPtr& session : library().sessions.snapshot()) {
        const CurrentSessionGuard restore;
        if (SessionTable::live(session) && switchSession(SessionHandle(session))) {
            settleTransfers(session);
        }
        watching = watching || (SessionTable::live(session) && hasTransfersToWatch(*session));
    }
    // A transfer started inside the settling woke the watch: it stays awake.
    if (!watching && timer_.interval() == transfer_limits::WatchIntervalMs) {
        timer_.setEnabled(false);
    }
}

}  // namespace qel
