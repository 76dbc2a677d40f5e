#pragma once

#include "session.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A node's table of bound remote procedures and the calls in progress on
// each binding. Element 0 of the table and of each pending list stays blank.
namespace qel {

// Calls in progress kept per binding; beyond it the oldest gives way (an
// answer to it arriving later is ignored).
inline constexpr size_t MaxPendingRPCs = 1000;

// Where a call in progress is kept: its binding and its entry, both from 1.
struct RPCPendingPlace {
    size_t binding = 0;
    size_t entry = 0;
};

// The first binding (from 1) of the name, matched without regard to ASCII
// case, with that type; -1 when there is none.
int32_t findRPCBinding(const Session& session, std::string_view procName, enmRPCType reqType);

// The first call in progress with exactly that request ID, over every
// binding in order and, within each, its entries in order.
std::optional<RPCPendingPlace> findRPCPending(const Session& session, std::string_view reqID);

// Enters a call in progress on the first binding of the name and type. False
// when there is none; with `report`, the unbound name is reported as well.
bool newRPCReq(Session& session, const std::string& procName, const std::string& nodeID,
               const std::string& reqID, enmRPCType reqType, bool blocking, bool report);

void removeRPCPending(Session& session, const RPCPendingPlace& place);

typRPCBinding& bindingAt(Session& session, const RPCPendingPlace& place);
typRPCPending& pendingAt(Session& session, const RPCPendingPlace& place);

}  // namespace qel
