#pragma once

#include "qellib/variant.h"

#include <cstdint>
#include <memory>
#include <string>

namespace qel {

struct Session;

// Finding the nodes of the local network by UDP, for the node that made this
// object (cQEL::newDiscoverInstance). Every node of a network uses the same
// UDP port. Each operation makes that node's session current for its work
// and restores the one current before; after the node has shut down every
// operation returns its default.
class cQELDiscover {
  public:
    // Binds a UDP socket on `udpPort` (1-65535) and answers searches from
    // then on, until notDiscoverable or the node's shutDown. False when the
    // node is discoverable already (it keeps its socket) or the port cannot
    // be bound.
    bool makeDiscoverable(int32_t udpPort);
    void notDiscoverable();
    // Sends DISCOVER to `strIPRange` ("" for the broadcast address, four
    // parts for one address, three parts for its addresses 1-254, two parts
    // for 255 such ranges one after another, each with its own wait) and
    // collects answers for `Timeout` ms per range. Element 0 is "", then the
    // TCP address (IP ":" port) of each node heard, in the order first
    // heard; the node's own address only with its "seeSelf" setting. Errors:
    // 119 when not discoverable (result [""]), 120 for a range ending in "."
    // and 121 for any other number of parts (no elements).
    StringArray discoverNodes(int64_t Timeout = 3000, const std::string& strIPRange = {});

  private:
    friend class cQEL;
    std::weak_ptr<Session> session_;
};

}  // namespace qel
