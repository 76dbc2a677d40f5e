#pragma once

#include <cstdint>
#include <optional>

// How many connections the process's listeners take. Every accepted
// connection holds a descriptor until it is closed, so the bound stays well
// below the process's descriptor limit, keeping room for files and for the
// connections the process opens itself; one address may hold only a share of
// it. While the process holds the most it may, its listeners take no
// connection (a connecting peer waits in the system's queue) and go on as
// soon as one closes; a connection from an address that holds its share is
// closed at once.
namespace platform {

struct AcceptLimits {
    int64_t total = 0;       // accepted and not yet closed, from every address
    int64_t perAddress = 0;  // the same, from one peer address
};

// The limits that follow from a descriptor limit.
AcceptLimits acceptLimitsFor(int64_t descriptorLimit);

// The limits in force: those set for a test, else those of the process's
// current descriptor limit (RLIMIT_NOFILE).
AcceptLimits acceptLimits();

// Tests: the limits to use instead (nullopt: the process's own again).
void setAcceptLimits(std::optional<AcceptLimits> limits);

// Connections the process's listeners accepted that are not closed yet.
int64_t acceptedConnections();

}  // namespace platform
