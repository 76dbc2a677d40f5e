#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <vector>

namespace qel {

class clsSocket;

// How deep the handling of packets nests, and the connections whose packets
// wait for room.
//
// A handler that waits lets events run, and a packet that arrives meanwhile
// is handled inside that wait, one level deeper. Handling nests at most
// `MaxDepth` levels; deeper, a connection's packets stay in its stream, in
// order, and the connection is held until there is room again. On every
// pass of the event loop, while a handler waits, the held connections and
// the connections being handled hand on what their streams hold, so a packet
// that came in one write with a waiting one is handled without waiting for
// the next arrival.
class ReceiveNesting {
  public:
    // What the bound covers: packets that arrive while a packet handler
    // waits in one of the library's own bounded waits (a blocking connect,
    // a wait with its time-out), each handled one level deeper. No handler
    // waits on a person: a request that needs one is parked and served from
    // the answer, and long work runs from the top of the loop. The bound
    // keeps a burst of such waits from piling up on the stack: deeper,
    // packets wait their turn in their streams. Far from what the stack holds.
    static constexpr size_t MaxDepth = 32;

    ReceiveNesting() { handling_.reserve(MaxDepth); }
    ReceiveNesting(const ReceiveNesting&) = delete;
    ReceiveNesting& operator=(const ReceiveNesting&) = delete;

    // Packets being handled, one inside another.
    size_t depth() const { return handling_.size(); }
    bool roomForOneMore() const { return handling_.size() < MaxDepth; }

    // One packet of a connection being handled, for the scope's life. The
    // connection must outlive the scope.
    class Level {
      public:
        Level(ReceiveNesting& nesting, clsSocket& connection);
        ~Level();
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;

      private:
        ReceiveNesting& nesting_;
    };

    // The connection's stream holds packets that found no room; it goes on
    // once there is. Held once however often it is asked.
    void hold(const std::shared_ptr<clsSocket>& connection);
    // Connections held and not yet gone on.
    size_t heldConnections() const { return held_.size(); }

    // Lets what waits go on, as far as there is room: the held connections,
    // oldest first, then the packets buffered behind the ones being handled,
    // outermost first. Run on every pass of the event loop; whether a packet
    // was handled.
    bool resumeWaiting();

  private:
    std::vector<clsSocket*> handling_;  // innermost last; each kept alive by its receive loop
    std::deque<std::weak_ptr<clsSocket>> held_;
};

// Whether a packet is being handled: a handler then never waits for a peer's
// answer that other packets could only bring inside its wait.
bool handlingPacket();

}  // namespace qel
