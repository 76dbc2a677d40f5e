#include "header_budget.h"

#include "connection.h"
#include "error_log.h"

#include "platform/runtime_error.h"

#include <string>
#include <vector>

namespace qel {

void HeaderBudget::note(const std::shared_ptr<clsSocket>& connection, int64_t bytes,
                        int64_t nowMs) {
    Entry& entry = entries_[connection.get()];
    if (entry.connection.lock() != connection) {
        heldBytes_ -= entry.bytes;  // a connection gone before it said so
        entry = Entry{connection, nowMs, 0};
    }
    heldBytes_ += bytes - entry.bytes;
    entry.bytes = bytes;
    while (heldBytes_ > bounds.maxBytes) {
        const std::shared_ptr<clsSocket> victim = biggest();
        if (!victim) {
            return;
        }
        logError(platform::rt::OutOfMemory, "Connection closed: unfinished packet headers hold " +
                                                std::to_string(heldBytes_) + " bytes");
        close(victim);
    }
}

void HeaderBudget::forget(const clsSocket& connection) {
    const auto found = entries_.find(&connection);
    if (found != entries_.end()) {
        heldBytes_ -= found->second.bytes;
        entries_.erase(found);
    }
}

void HeaderBudget::closeOverdue(int64_t nowMs) {
    std::vector<std::shared_ptr<clsSocket>> overdue;
    for (auto it = entries_.begin(); it != entries_.end();) {
        std::shared_ptr<clsSocket> connection = it->second.connection.lock();
        if (!connection) {
            heldBytes_ -= it->second.bytes;
            it = entries_.erase(it);
            continue;
        }
        if (nowMs - it->second.since >= bounds.maxWaitMs) {
            if (it->second.overdue) {
                overdue.push_back(std::move(connection));
            }
            it->second.overdue = true;
        }
        ++it;
    }
    // Closing raises events whose handlers may change the entries.
    for (const std::shared_ptr<clsSocket>& connection : overdue) {
        debugPrint("Connection " + connection->connectionID +
                   " closed: a packet header did not end in time");
        close(connection);
    }
}

std::shared_ptr<clsSocket> HeaderBudget::biggest() {
    std::shared_ptr<clsSocket> chosen;
    const Entry* chosenEntry = nullptr;
    for (auto it = entries_.begin(); it != entries_.end();) {
        std::shared_ptr<clsSocket> connection = it->second.connection.lock();
        if (!connection) {
            heldBytes_ -= it->second.bytes;
            it = entries_.erase(it);
            continue;
        }
        const Entry& entry = it->second;
        if (chosenEntry == nullptr || entry.bytes > chosenEntry->bytes ||
            (entry.bytes == chosenEntry->bytes && entry.since < chosenEntry->since)) {
            chosenEntry = &entry;
            chosen = std::move(connection);
        }
        ++it;
    }
    return chosen;
}

// The entry goes first, so that a connection that cannot be closed any more
// still leaves the budget.
void HeaderBudget::close(const std::shared_ptr<clsSocket>& connection) {
    forget(*connection);
    connection->closeConnection(false);
}

}  // namespace qel
