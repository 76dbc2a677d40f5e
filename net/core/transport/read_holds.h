#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qel {

class clsSocket;

// A connection's part in a relay's back-pressure: the connections holding
// its reading (by ID), and the connections whose reading it holds. A
// connection whose queue of relayed packets is full holds the reading of the
// connection the packets came from; the peer is then held back by its own
// connection's window, and packets already read wait in order until the
// queue has gone down and the hold is released.
class ReadHolds {
  public:
    ReadHolds() = default;
    ReadHolds(const ReadHolds&) = delete;
    ReadHolds& operator=(const ReadHolds&) = delete;

    // Whether some connection holds this one's reading.
    bool held() const { return !holders_.empty(); }
    // Adds a holder, once however often it asks; whether reading has just
    // become held (the first holder).
    bool addHolder(const std::string& holderID);
    // Removes a holder; whether reading has just become free (the last one).
    bool removeHolder(const std::string& holderID);
    // Forgets every holder; whether there were any.
    bool clearHolders();

    // Whether this connection holds the reading of any other.
    bool holdingSources() const { return !holding_.empty(); }
    // Holds `source`'s reading on behalf of the connection `ownID`. Asked
    // again each time: a source that closed and came back meanwhile let go
    // of every hold on it.
    void holdSource(const std::shared_ptr<clsSocket>& source, const std::string& ownID);
    // Releases every source held on behalf of `ownID` that is still there.
    void releaseSources(const std::string& ownID);

  private:
    std::vector<std::string> holders_;               // connections holding this one's reading
    std::vector<std::weak_ptr<clsSocket>> holding_;  // connections whose reading this one holds
};

}  // namespace qel
