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

void HeaderBudget::forgetGone() {
    std::erase_if(entries_, [this](const auto& held) {
        if (!held.second.connection.expired()) {
            return false;
        }
        heldBytes_ -= held.second.bytes;
        return true;
    });
}

void HeaderBudget::closeOverdue(int64_t nowMs) {
    forgetGone();
    std::vector<std::shared_ptr<clsSocket>> overdue;
    for (auto& [key, entry] : entries_) {
        if (nowMs - entry.since >= bounds.maxWaitMs) {
            if (entry.overdue) {
                overdue.push_back(entry.connection.lock());
            }
            entry.overdue = true;
        }
    }
    // Closing raises events whose handlers may change the entries.
    for (const std::shared_ptr<clsSocket>& connection : overdue) {
        debugPrint("Connection " + connection->connectionID +
                   " closed: a packet header did not end in time");
        close(connection);
    }
}

std::shared_ptr<clsSocket> HeaderBudget::biggest() {
    forgetGone();
    const Entry* chosen = nullptr;
    for (const auto& [key, entry] : entries_) {
        if (chosen == nullptr || entry.bytes > chosen->bytes ||
            (entry.bytes == chosen->bytes && entry.since < chosen->since)) {
            chosen = &entry;
        }
    }
    return chosen != nullptr ? chosen->connection.lock() : nullptr;
}

// The entry goes first, so that a connection that cannot be closed any more
// still leaves the budget.
void HeaderBudget::close(const std::shared_ptr<clsSocket>& connection) {
    forget(*connection);
    connection->closeConnection(false);
}

}  // namespace qel
