#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

namespace qel {

class clsSocket;

// The packet headers that connections are receiving and have not seen the
// end of yet. Each may wait for its end only so long, and together they may
// hold only so many bytes: a peer could otherwise open many connections and
// keep each one a byte short of a header's end, holding a header's worth of
// memory on every one for as long as it liked.
class HeaderBudget {
  public:
    struct Bounds {
        // Held by every unfinished header together; the buffers that hold them
        // take up to about twice that, with their room to grow.
        int64_t maxBytes = int64_t{8} * 1024 * 1024;
        int64_t maxWaitMs = 10'000;  // from a header's first byte to its end
    };

    HeaderBudget() = default;
    HeaderBudget(const HeaderBudget&) = delete;
    HeaderBudget& operator=(const HeaderBudget&) = delete;

    // `connection` holds `bytes` of a header whose end has not come. Beyond
    // the byte bound the connection holding most (the one waiting longest,
    // among equals) is closed, until the rest are within it.
    void note(const std::shared_ptr<clsSocket>& connection, int64_t bytes, int64_t nowMs);
    // The connection holds no unfinished header (any more).
    void forget(const clsSocket& connection);
    // Closes the connections whose header has waited past its time, as two
    // calls in a row see it (a process that was stopped for a while sees
    // every header overdue before the rest of it is delivered).
    void closeOverdue(int64_t nowMs);

    int64_t heldBytes() const { return heldBytes_; }
    size_t unfinishedHeaders() const { return entries_.size(); }

    Bounds bounds;  // tests shorten them

  private:
    struct Entry {
        std::weak_ptr<clsSocket> connection;
        int64_t since = 0;  // tick count of the header's first byte
        int64_t bytes = 0;
        bool overdue = false;  // seen past its time by the last call
    };

    // Drops the entries of connections that are gone.
    void forgetGone();
    std::shared_ptr<clsSocket> biggest();
    void close(const std::shared_ptr<clsSocket>& connection);

    std::unordered_map<const clsSocket*, Entry> entries_;
    int64_t heldBytes_ = 0;
};

}  // namespace qel
