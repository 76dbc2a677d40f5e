#pragma once

#include "packet.h"
#include "session.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// The routes a node has seen packets take ("Route": node IDs separated by
// ",", the originator first), most recent first in places 1 to `maxRoutes`
// of the session's table, and the first hop they give towards a node. Empty
// items of a route are ignored everywhere, and routes are compared item by
// item, never by parts of an ID. Each operation reports its own errors (with
// an empty source) and then gives its default result.
namespace qel {

class clsSocket;

// The route's items with `nodeID` added at the end (even when present).
std::string appendRoute(std::string_view route, std::string_view nodeID);
// The route's items in reverse order.
std::string reverseRoute(std::string_view route);

// Learns the route the packet came by, as far as this node (which is added
// when the route does not hold it yet). A stored route that holds it as a
// run of items moves to the front instead; otherwise it is stored in front
// and the last place is dropped. Nothing with routes disabled.
void learnRoute(Session& session, const clsPacket& packet);
// Moves the route at place `index` to place 1, keeping the others in order.
void moveRouteToFront(Session& session, size_t index);

// The connection to send a packet for `destination` on: a direct connection
// to it, else the connection to the next hop of the shortest stored route
// from this node to it whose next hop is connected (the most recent among
// equals); null when there is none, for this node and for "BROADCAST".
std::shared_ptr<clsSocket> findRoute(const Session& session, std::string_view destination);

}  // namespace qel
